#include "data/kana_keys.h"

#include <array>

namespace shurencho {

namespace {

struct KeyTop {
  char16_t plain;
  char16_t shifted;  // 0: Shift types the plain kana
};

// In the order of JisKey, from Digit1.
constexpr std::array<KeyTop, kJisKeyCount> kKeyTops{{
    {u'ぬ', 0},     {u'ふ', 0},     {u'あ', u'ぁ'}, {u'う', u'ぅ'}, {u'え', u'ぇ'}, {u'お', u'ぉ'},
    {u'や', u'ゃ'}, {u'ゆ', u'ゅ'}, {u'よ', u'ょ'}, {u'わ', u'を'}, {u'ほ', 0},     {u'へ', 0},
    {u'ー', 0},     {u'た', 0},     {u'て', 0},     {u'い', u'ぃ'}, {u'す', 0},     {u'か', 0},
    {u'ん', 0},     {u'な', 0},     {u'に', 0},     {u'ら', 0},     {u'せ', 0},     {u'゛', 0},
    {u'゜', u'「'}, {u'ち', 0},     {u'と', 0},     {u'し', 0},     {u'は', 0},     {u'き', 0},
    {u'く', 0},     {u'ま', 0},     {u'の', 0},     {u'り', 0},     {u'れ', 0},     {u'け', 0},
    {u'む', u'」'}, {u'つ', u'っ'}, {u'さ', 0},     {u'そ', 0},     {u'ひ', 0},     {u'こ', 0},
    {u'み', 0},     {u'も', 0},     {u'ね', u'、'}, {u'る', u'。'}, {u'め', u'・'}, {u'ろ', 0},
}};

constexpr char16_t kVoiced = u'゛';
constexpr char16_t kSemiVoiced = u'゜';

// The one key stroke that types c, or None.
KanaStroke StrokeOf(char16_t c) {
  for (int i = 0; i < kJisKeyCount; ++i) {
    const auto key = static_cast<JisKey>(i + 1);
    if (kKeyTops[static_cast<size_t>(i)].plain == c) return {key, false};
    if (kKeyTops[static_cast<size_t>(i)].shifted == c) return {key, true};
  }
  return {};
}

// Katakana as hiragana; ー and ・ are their own keys.
char16_t Hiragana(char16_t c) {
  if (c >= u'ァ' && c <= u'ヶ') return static_cast<char16_t>(c - (u'ァ' - u'ぁ'));
  return c;
}

// Small kana without a key of their own are typed as their full size.
char16_t Typable(char16_t c) {
  switch (c) {
    case u'ゎ':
      return u'わ';
    case u'ゕ':
      return u'か';
    case u'ゖ':
      return u'け';
    default:
      return c;
  }
}

bool AppendStrokes(char16_t c, QList<KanaStroke>& strokes) {
  const char16_t kana = Typable(Hiragana(c));
  KanaStroke stroke = StrokeOf(kana);
  if (stroke.key != JisKey::None) {
    strokes.append(stroke);
    return true;
  }
  // A voiced kana is its base kana and a mark: が is U+304C, か is U+304B.
  const QString split = QString(QChar(kana)).normalized(QString::NormalizationForm_D);
  if (split.size() != 2) return false;
  stroke = StrokeOf(split.at(0).unicode());
  if (stroke.key == JisKey::None) return false;
  strokes.append(stroke);
  if (split.at(1).unicode() == 0x3099) {
    strokes.append(StrokeOf(kVoiced));
  } else if (split.at(1).unicode() == 0x309A) {
    strokes.append(StrokeOf(kSemiVoiced));
  } else {
    return false;
  }
  return true;
}

}  // namespace

QChar KanaOfKey(JisKey key, bool shift) {
  const int i = static_cast<int>(key) - 1;
  if (i < 0 || i >= kJisKeyCount) return {};
  const KeyTop& top = kKeyTops[static_cast<size_t>(i)];
  return QChar(shift && top.shifted != 0 ? top.shifted : top.plain);
}

QList<KanaStroke> KanaStrokes(const QString& unit) {
  QList<KanaStroke> strokes;
  for (const QChar c : unit) {
    if (!AppendStrokes(c.unicode(), strokes)) return {};
  }
  return strokes;
}

QString KanaKeyTops(const QString& unit) {
  QString tops;
  for (const KanaStroke& stroke : KanaStrokes(unit)) tops += KanaOfKey(stroke.key, stroke.shift);
  return tops;
}

}  // namespace shurencho
