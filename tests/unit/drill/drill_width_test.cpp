// Full-width and half-width forms of the conversion keys.
#include <gtest/gtest.h>

#include "text/text_file.h"
#include "text/width_convert.h"

using namespace shurencho;

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(DrillWidth, EverySymbolPairGoesBothWays) {
  // The pairs as the files hold them: a half-width byte, a full-width character.
  const std::pair<unsigned char, unsigned short> pairs[] = {
      {0x20, 0x8140}, {0x21, 0x8149}, {0x22, 0x8168}, {0x23, 0x8194}, {0x24, 0x8190}, {0x25, 0x8193},
      {0x26, 0x8195}, {0x27, 0x8166}, {0x28, 0x8169}, {0x29, 0x816A}, {0x3D, 0x8181}, {0x60, 0x8165},
      {0x7C, 0x8162}, {0x2D, 0x817C}, {0x5E, 0x814F}, {0x5C, 0x818F}, {0x7E, 0x8150}, {0x7B, 0x816F},
      {0x40, 0x8197}, {0x5B, 0x816D}, {0x2B, 0x817B}, {0x2A, 0x8196}, {0x7D, 0x8170}, {0x3B, 0x8147},
      {0x3A, 0x8146}, {0x5D, 0x816E}, {0x3C, 0x8183}, {0x3E, 0x8184}, {0x3F, 0x8148}, {0x5F, 0x8151},
      {0xA4, 0x8141}, {0xA1, 0x8142}, {0xA5, 0x8145}, {0x2C, 0x8143}, {0x2E, 0x8144}, {0x2F, 0x815E},
      {0xB0, 0x815B}, {0xA2, 0x8175}, {0xA3, 0x8176}};
  QString halves, fulls;
  for (const auto& [half, full] : pairs) {
    const QString h = DecodeCp932(QByteArray(1, static_cast<char>(half)));
    const char bytes[] = {static_cast<char>(full >> 8), static_cast<char>(full & 0xFF)};
    const QString f = DecodeCp932(QByteArray(bytes, 2));
    ASSERT_EQ(h.size(), 1);
    ASSERT_EQ(f.size(), 1);
    EXPECT_EQ(ToFullWidth(h), f) << std::hex << int(half);
    EXPECT_EQ(ToHalfWidth(f), h) << std::hex << full;
    halves += h;
    fulls += f;
  }
  EXPECT_EQ(ToFullWidth(halves), fulls);
  EXPECT_EQ(ToHalfWidth(fulls), halves);
}

TEST(DrillWidth, LettersAndDigits) {
  EXPECT_EQ(ToFullWidth(Text("gakkou")), Text("ｇａｋｋｏｕ"));
  EXPECT_EQ(ToFullWidth(Text("AZaz09")), Text("ＡＺａｚ０９"));
  EXPECT_EQ(ToHalfWidth(Text("ＡＺａｚ０９")), Text("AZaz09"));
  EXPECT_EQ(ToHalfWidth(ToFullWidth(Text("gakkou"))), Text("gakkou"));
}

TEST(DrillWidth, KanaToHalfWidth) {
  EXPECT_EQ(ToHalfWidth(Text("がっこう")), Text("ｶﾞｯｺｳ"));
  EXPECT_EQ(ToHalfWidth(Text("パソコン")), Text("ﾊﾟｿｺﾝ"));
  EXPECT_EQ(ToHalfWidth(Text("ぁぃぅぇぉっゃゅょ")), Text("ｧｨｩｪｫｯｬｭｮ"));
  EXPECT_EQ(ToHalfWidth(Text("ゎヮゐヰゑヱヴヵヶをヲ")), Text("ﾜﾜｲｲｴｴｳﾞｶｹｦｦ"));
  EXPECT_EQ(ToHalfWidth(Text("ぢづでどばぴぷぺぽ")), Text("ﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾟﾌﾟﾍﾟﾎﾟ"));
  // Kanji, marks without a half-width form and half-width text stay.
  EXPECT_EQ(ToHalfWidth(Text("学校ゝ゛ｱa")), Text("学校ゝ゛ｱa"));
}

TEST(DrillWidth, HalfWidthKanaBackWithTheMarksJoined) {
  EXPECT_EQ(ToFullWidth(ToHalfWidth(Text("がっこう"))), Text("ガッコウ"));
  EXPECT_EQ(ToFullWidth(Text("ｦｧｯｰｱﾝ")), Text("ヲァッーアン"));
  EXPECT_EQ(ToFullWidth(Text("ｶﾞﾄﾞﾊﾞﾎﾟﾋﾟ")), Text("ガドバポピ"));
  // A kana without a voiced form keeps the mark beside it, in full width.
  EXPECT_EQ(ToFullWidth(Text("ｳﾞｱﾟﾅﾞﾝﾟｰﾞ")), Text("ウ゛ア゜ナ゛ン゜ー゛"));
  // A mark after no kana stays as it is.
  EXPECT_EQ(ToFullWidth(Text("ﾞaﾟ")), Text("ﾞａﾟ"));
  // Every hiragana comes back as its katakana.
  const QString hira = Text(
      "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
      "がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽぁぃぅぇぉっゃゅょ");
  QString kata;
  for (const QChar c : hira) kata.append(QChar(c.unicode() + (u'ア' - u'あ')));
  EXPECT_EQ(ToFullWidth(ToHalfWidth(hira)), kata);
}

}  // namespace
