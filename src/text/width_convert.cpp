#include "text/width_convert.h"

#include <array>
#include <utility>

namespace shurencho {

namespace {

// The symbols that have both forms: half-width, full-width. Each pair is
// used in both directions.
constexpr std::array<std::pair<char16_t, char16_t>, 39> kSymbols{{
    {u' ', u'　'}, {u'!', u'！'},  {u'"', u'”'},  {u'#', u'＃'}, {u'$', u'＄'}, {u'%', u'％'}, {u'&', u'＆'},
    {u'\'', u'’'}, {u'(', u'（'},  {u')', u'）'}, {u'=', u'＝'}, {u'`', u'‘'},  {u'|', u'｜'}, {u'-', u'－'},
    {u'^', u'＾'}, {u'\\', u'￥'}, {u'~', u'￣'}, {u'{', u'｛'}, {u'@', u'＠'}, {u'[', u'［'}, {u'+', u'＋'},
    {u'*', u'＊'}, {u'}', u'｝'},  {u';', u'；'}, {u':', u'：'}, {u']', u'］'}, {u'<', u'＜'}, {u'>', u'＞'},
    {u'?', u'？'}, {u'_', u'＿'},  {u'､', u'、'}, {u'｡', u'。'}, {u'･', u'・'}, {u',', u'，'}, {u'.', u'．'},
    {u'/', u'／'}, {u'ｰ', u'ー'},  {u'｢', u'「'}, {u'｣', u'」'},
}};

constexpr char16_t kVoicedMark = u'ﾞ';
constexpr char16_t kSemiVoicedMark = u'ﾟ';
constexpr char16_t kFirstKatakana = u'ァ';
constexpr char16_t kLastKatakana = u'ヶ';
constexpr char16_t kHiraganaToKatakana = u'ァ' - u'ぁ';

// Half-width form of every katakana from ァ to ヶ, in code order.
constexpr std::array<const char16_t*, kLastKatakana - kFirstKatakana + 1> kHalfKatakana{
    u"ｧ",  u"ｱ",  u"ｨ",  u"ｲ",  u"ｩ",  u"ｳ",  u"ｪ",  u"ｴ",  u"ｫ",  u"ｵ",                 // ァ-オ
    u"ｶ",  u"ｶﾞ", u"ｷ",  u"ｷﾞ", u"ｸ",  u"ｸﾞ", u"ｹ",  u"ｹﾞ", u"ｺ",  u"ｺﾞ",                // カ-ゴ
    u"ｻ",  u"ｻﾞ", u"ｼ",  u"ｼﾞ", u"ｽ",  u"ｽﾞ", u"ｾ",  u"ｾﾞ", u"ｿ",  u"ｿﾞ",                // サ-ゾ
    u"ﾀ",  u"ﾀﾞ", u"ﾁ",  u"ﾁﾞ", u"ｯ",  u"ﾂ",  u"ﾂﾞ", u"ﾃ",  u"ﾃﾞ", u"ﾄ",  u"ﾄﾞ",         // タ-ド
    u"ﾅ",  u"ﾆ",  u"ﾇ",  u"ﾈ",  u"ﾉ",                                                    // ナ-ノ
    u"ﾊ",  u"ﾊﾞ", u"ﾊﾟ", u"ﾋ",  u"ﾋﾞ", u"ﾋﾟ", u"ﾌ",  u"ﾌﾞ", u"ﾌﾟ", u"ﾍ",  u"ﾍﾞ", u"ﾍﾟ",  // ハ-ペ
    u"ﾎ",  u"ﾎﾞ", u"ﾎﾟ",                                                                 // ホ-ポ
    u"ﾏ",  u"ﾐ",  u"ﾑ",  u"ﾒ",  u"ﾓ",  u"ｬ",  u"ﾔ",  u"ｭ",  u"ﾕ",  u"ｮ",  u"ﾖ",          // マ-ヨ
    u"ﾗ",  u"ﾘ",  u"ﾙ",  u"ﾚ",  u"ﾛ",  u"ﾜ",  u"ﾜ",  u"ｲ",  u"ｴ",  u"ｦ",  u"ﾝ",          // ラ-ン
    u"ｳﾞ", u"ｶ",  u"ｹ",                                                                  // ヴ-ヶ
};

// Full-width katakana of every half-width one from ｦ to ﾝ, in code order.
constexpr char16_t kFirstHalfKana = u'ｦ';
constexpr char16_t kLastHalfKana = u'ﾝ';
constexpr std::u16string_view kFullKatakana =
    u"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリ"
    u"ルレロワン";
static_assert(kFullKatakana.size() == kLastHalfKana - kFirstHalfKana + 1);

bool IsHalfKana(char16_t c) { return c >= kFirstHalfKana && c <= kLastHalfKana; }
// ｶ to ﾄ and ﾊ to ﾎ have a voiced form, one code point after the full-width base.
bool HasVoiced(char16_t c) { return (c >= u'ｶ' && c <= u'ﾄ') || (c >= u'ﾊ' && c <= u'ﾎ'); }
// ﾊ to ﾎ also have a semi-voiced form, two code points after the base.
bool HasSemiVoiced(char16_t c) { return c >= u'ﾊ' && c <= u'ﾎ'; }

}  // namespace

QString ToHalfWidth(const QString& text) {
  QString out;
  out.reserve(text.size() * 2);
  for (const QChar qc : text) {
    char16_t c = qc.unicode();
    if ((c >= u'０' && c <= u'９') || (c >= u'Ａ' && c <= u'Ｚ') || (c >= u'ａ' && c <= u'ｚ')) {
      out.append(QChar(c - (u'Ａ' - u'A')));
      continue;
    }
    if (c >= u'ぁ' && c <= u'ゖ') c += kHiraganaToKatakana;
    if (c >= kFirstKatakana && c <= kLastKatakana) {
      out.append(QString::fromUtf16(kHalfKatakana[c - kFirstKatakana]));
      continue;
    }
    bool symbol = false;
    for (const auto& [half, full] : kSymbols) {
      if (c == full) {
        out.append(QChar(half));
        symbol = true;
        break;
      }
    }
    if (!symbol) out.append(qc);
  }
  return out;
}

QString ToFullWidth(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    const char16_t next = i + 1 < text.size() ? text[i + 1].unicode() : u'\0';
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) {
      out.append(QChar(c + (u'Ａ' - u'A')));
      continue;
    }
    if (IsHalfKana(c)) {
      const char16_t full = kFullKatakana[c - kFirstHalfKana];
      if (next == kVoicedMark && HasVoiced(c)) {
        out.append(QChar(full + 1));
        ++i;
      } else if (next == kSemiVoicedMark && HasSemiVoiced(c)) {
        out.append(QChar(full + 2));
        ++i;
      } else {
        out.append(QChar(full));
        // A mark the kana cannot take is written as the full-width mark.
        if (next == kVoicedMark || next == kSemiVoicedMark) {
          out.append(next == kVoicedMark ? QChar(u'゛') : QChar(u'゜'));
          ++i;
        }
      }
      continue;
    }
    bool symbol = false;
    for (const auto& [half, full] : kSymbols) {
      if (c == half) {
        out.append(QChar(full));
        symbol = true;
        break;
      }
    }
    if (!symbol) out.append(text[i]);
  }
  return out;
}

}  // namespace shurencho
