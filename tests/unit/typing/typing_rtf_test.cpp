#include <gtest/gtest.h>

#include <QFile>

#include "text/text_file.h"
#include "typing/rtf_reader.h"

using namespace shurencho;

namespace {

QByteArray Sample(const char* name) {
  QFile file(QStringLiteral(SHURENCHO_TESTS_DIR "/data/typing/") + QLatin1String(name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
  return file.readAll();
}

// The text a run covers, with its look as letters: b, i, u, and the colour.
QStringList Looks(const RichText& rich) {
  QStringList out;
  for (const TextRun& r : rich.runs) {
    QString look = rich.text.mid(r.start, r.length) + QLatin1Char(':');
    if (r.bold) look += QLatin1Char('b');
    if (r.italic) look += QLatin1Char('i');
    if (r.underline) look += QLatin1Char('u');
    if (r.colour.isValid()) look += r.colour.name();
    out << look;
  }
  return out;
}

}  // namespace

TEST(TypingRtf, ReadsADocumentWrittenByPandoc) {
  const QByteArray rtf = Sample("pandoc_sample.rtf");
  ASSERT_TRUE(LooksLikeRtf(rtf));
  const RichText rich = ReadRtf(rtf);
  EXPECT_EQ(rich.text, QStringLiteral("吾輩は猫である。名前はまだ無い。\r\nHello, World! 𠮷野家\r\n"
                                      "\u2022\t一つ目\r\n\u2022\t二つ目"));
  EXPECT_EQ(Looks(rich), (QStringList{QStringLiteral("猫:b"), QStringLiteral("無い:i")}));
}

TEST(TypingRtf, ReadsADocumentWrittenByAWordProcessor) {
  const RichText rich = ReadRtf(Sample("writer_sample.rtf"));
  // Styles, document information, page styles and fallback bytes leave no text.
  EXPECT_EQ(rich.text, QStringLiteral("春はあけぼの。やうやう白くなりゆく山ぎは、少しあかりて。\r\n"
                                      "紫だちたる雲の細くたなびきたる。\r\n"
                                      "Typing & {braces} \\ back-slash 𠮷"));
  EXPECT_EQ(Looks(rich), (QStringList{QStringLiteral("あけぼの:b"), QStringLiteral("白く:i"),
                                      QStringLiteral("少し:u"), QStringLiteral("紫だちたる雲:#ff0000")}));
}

TEST(TypingRtf, CodePageBytesFollowTheFontCharacterSet) {
  // あ in CP932 is 82 A0; é in 1252 is E9; ソ ends in a backslash byte.
  const QByteArray rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset128 "
      "\\'82\\'6c\\'82\\'72 Gothic;}}"
      "caf\\'e9 {\\f1 \\'82\\'a0\\'83\\'5c}\\par}";
  EXPECT_EQ(ReadRtf(rtf).text, QStringLiteral("café あソ"));

  // Without a code page named anywhere the bytes are CP932, raw ones too.
  QByteArray raw = "{\\rtf1 \\'82\\'a2 ";
  raw += EncodeCp932(QStringLiteral("ソ表"));
  raw += "}";
  EXPECT_EQ(ReadRtf(raw).text, QStringLiteral("い ソ表"));
}

TEST(TypingRtf, UnicodeEscapesSkipTheirFallbackAndBadPairsAreReplaced) {
  EXPECT_EQ(ReadRtf("{\\rtf1\\uc2 \\u12354\\'82\\'a0x\\uc0\\u12356 y}").text, QStringLiteral("あxいy"));
  // A group end stops the skipping.
  EXPECT_EQ(ReadRtf("{\\rtf1\\uc3{\\u-24\\'3f}z}").text, QString(QChar(0xFFE8)) + QLatin1Char('z'));
  EXPECT_EQ(ReadRtf("{\\rtf1 a\\u-10179?b}").text, QStringLiteral("a\uFFFDb"));
}

TEST(TypingRtf, DestinationsWithoutTextAreSkippedAndSymbolsKept) {
  const QByteArray rtf =
      "{\\rtf1{\\info{\\title T}{\\author A}}{\\*\\generator G;}{\\header H\\par}"
      "{\\pict\\pngblip 89504e47 text}{\\*\\unknown hidden}"
      "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}"
      " \\{a\\}\\\\b\\~c\\_d\\-e\\tab f\\line g\\emdash{\\bin3 }{}h}\r\n"
      "\\par}trailing";
  EXPECT_EQ(ReadRtf(rtf).text, QStringLiteral("link {a}\\b c-de\tf\r\ng\u2014h"));
}

TEST(TypingRtf, ColoursBoldAndPlainFollowTheGroups) {
  const QByteArray rtf =
      "{\\rtf1{\\colortbl;\\red0\\green128\\blue0;\\red300\\green0\\blue0;}"
      "a{\\b b{\\cf1 c}\\cf2 d\\plain e}\\ul f\\ul0 g\\cf9 h}";
  const RichText rich = ReadRtf(rtf);
  EXPECT_EQ(rich.text, QStringLiteral("abcdefgh"));
  EXPECT_EQ(Looks(rich), (QStringList{QStringLiteral("b:b"), QStringLiteral("c:b#008000"),
                                      QStringLiteral("d:b#ff0000"), QStringLiteral("f:u")}));
}

TEST(TypingRtf, BrokenDocumentsGiveWhatTheyHold) {
  EXPECT_EQ(ReadRtf("{\\rtf1 cut sh").text, QStringLiteral("cut sh"));
  EXPECT_EQ(ReadRtf("{\\rtf1 a\\'8").text, QStringLiteral("a"));
  EXPECT_EQ(ReadRtf("{\\rtf1 a\\bin999999").text, QStringLiteral("a"));
  EXPECT_EQ(ReadRtf("{\\rtf1 x\\par\\par}").text, QStringLiteral("x\r\n"));
  const QByteArray deep = QByteArray(5000, '{') + "deep" + QByteArray(5000, '}');
  EXPECT_EQ(ReadRtf(deep).text, QStringLiteral("deep"));
  EXPECT_FALSE(LooksLikeRtf("plain {\\rtf1}"));
}
