#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "text/comma_text.h"
#include "text/errors.h"
#include "text/text_file.h"

using namespace shurencho;

TEST(CommaText, QuotesBlanksAndEmptyFields) {
  EXPECT_EQ(SplitCommaText(QStringLiteral("\"a\",\"b c\",x")), (QStringList{"a", "b c", "x"}));
  EXPECT_EQ(SplitCommaText(QStringLiteral("a,b c,x")), (QStringList{"a", "b", "c", "x"}));
  EXPECT_EQ(SplitCommaText(QStringLiteral("   ん,nn,xn")), (QStringList{"ん", "nn", "xn"}));
  EXPECT_EQ(SplitCommaText(QStringLiteral("a,,b")), (QStringList{"a", "", "b"}));
  EXPECT_EQ(SplitCommaText(QStringLiteral("a , b")), (QStringList{"a", "b"}));
  EXPECT_EQ(SplitCommaText(QStringLiteral("a,")), (QStringList{"a", ""}));
  EXPECT_TRUE(SplitCommaText(QString()).isEmpty());
  EXPECT_TRUE(SplitCommaText(QStringLiteral("  \t")).isEmpty());
}

TEST(CommaText, QuotedFieldsDoubledQuotesAndUnclosed) {
  EXPECT_EQ(SplitCommaText(QStringLiteral("\"say \"\"hi\"\"\",x")), (QStringList{"say \"hi\"", "x"}));
  // An unclosed quoted field runs to the end of the line.
  EXPECT_EQ(SplitCommaText(QStringLiteral("\"w\",\"w\",0,0,0,1,\"w x, y")),
            (QStringList{"w", "w", "0", "0", "0", "1", "w x, y"}));
  EXPECT_EQ(SplitCommaText(QStringLiteral("\"\",b")), (QStringList{"", "b"}));
  EXPECT_EQ(SplitCommaText(QStringLiteral("\"a\"\"b")), (QStringList{"a\"b"}));
}

TEST(CommaText, JoinRoundTrips) {
  const QStringList items{"0", "a b", "c,d", "e\"f", "", "x"};
  EXPECT_EQ(SplitCommaText(JoinCommaText(items)), items);
  EXPECT_EQ(JoinCommaText({"20", "40"}), QStringLiteral("20,40"));
}

TEST(LineReader, CrEndsLinesLoneLfDoesNotCtrlZEnds) {
  EXPECT_EQ(SplitTextLines(QStringLiteral("a\r\nb\r\n")), (QStringList{"a", "b"}));
  EXPECT_EQ(SplitTextLines(QStringLiteral("a\rb")), (QStringList{"a", "b"}));
  EXPECT_EQ(SplitTextLines(QStringLiteral("a\nb\r\nc")), (QStringList{"a\nb", "c"}));
  EXPECT_EQ(SplitTextLines(QStringLiteral("a\r\n\r\nb")), (QStringList{"a", "", "b"}));
  EXPECT_EQ(SplitTextLines(QStringLiteral("a\r\nb\x1a\r\nc")), (QStringList{"a", "b"}));
  EXPECT_TRUE(SplitTextLines(QString()).isEmpty());
}

TEST(Cp932, DecodesTheWindowsWayAndReportsUnencodable) {
  // 0x5C is a backslash and 0x8160 the wave dash of the Windows code page.
  EXPECT_EQ(DecodeCp932(QByteArray("\x5c")), QStringLiteral("\\"));
  EXPECT_EQ(DecodeCp932(QByteArray("\x81\x60")), QStringLiteral("～"));
  EXPECT_EQ(DecodeCp932(QByteArray("\x82\xa9\x82\xc8")), QStringLiteral("かな"));
  // Every byte below 0x80 stands for itself, Ctrl-Z included, both ways.
  for (int b = 1; b < 0x80; ++b) {
    const QByteArray byte(1, static_cast<char>(b));
    ASSERT_EQ(DecodeCp932(byte), QString(QChar(b))) << b;
    ASSERT_EQ(EncodeCp932(QString(QChar(b))), byte) << b;
  }
  EXPECT_EQ(SplitTextLines(DecodeCp932(QByteArray("a\r\nb\x1a\r\nc"))), (QStringList{"a", "b"}));
  // Bytes that are no character become U+FFFD, never a Ctrl-Z that would end the text.
  EXPECT_EQ(DecodeCp932(QByteArray("\x80"
                                   "a"
                                   "\xa0\x82")),
            QStringLiteral("\uFFFDa\uFFFD\uFFFD"));
  EXPECT_EQ(DecodeCp932(QByteArray("\xb1\xdf\x87\x40\xfa\x40")), QStringLiteral("ｱﾟ①ⅰ"));
  EXPECT_EQ(DecodeCp932(QByteArray("\x82\x0d\x0a")), QStringLiteral("\uFFFD\r\n"));
  bool ok = false;
  EXPECT_EQ(EncodeCp932(QStringLiteral("打鍵"), &ok), QByteArray("\x91\xc5\x8c\xae"));
  EXPECT_TRUE(ok);
  EncodeCp932(QStringLiteral("a😀"), &ok);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(IsCp932Encodable(QStringLiteral("한")));
}

TEST(Cp932, TablesAgreeWithTheToolkitsConverter) {
  // The tables are made from the converter at build time; every character
  // of the basic plane and the text around them must come out as it does.
  ASSERT_TRUE(QStringEncoder("CP932").isValid());
  for (int u = 0x80; u <= 0xFFFF; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    const QString c(QChar(static_cast<char16_t>(u)));
    QStringEncoder fresh("CP932");
    const QByteArray expected = fresh.encode(c);
    bool ok = false;
    ASSERT_EQ(EncodeCp932(c, &ok), expected) << u;
    ASSERT_EQ(ok, !fresh.hasError()) << u;
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if ((lead > 0x9F && lead < 0xE0) || trail == 0x7F) continue;
      QByteArray pair;
      pair.append(static_cast<char>(lead)).append(static_cast<char>(trail));
      QStringDecoder fresh("CP932");
      const QString decoded = fresh.decode(pair);
      const bool one = decoded.size() == 1 && decoded[0].unicode() >= 0x80;
      ASSERT_EQ(DecodeCp932(pair), one ? decoded : QStringLiteral("\uFFFD")) << lead << " " << trail;
    }
  }
  for (const QString& text : {QStringLiteral("a😀b"), QStringLiteral("x\xD800y")}) {
    QStringEncoder fresh("CP932");
    EXPECT_EQ(EncodeCp932(text), QByteArray(fresh.encode(text)));
  }
}

TEST(Characters, CountAndCutByCodePoint) {
  EXPECT_EQ(CharCount(QStringLiteral("かなa")), 3);
  EXPECT_EQ(CharCount(QStringLiteral("a😀b")), 3);
  EXPECT_EQ(LeftChars(QStringLiteral("😀かな"), 2), QStringLiteral("😀か"));
  EXPECT_EQ(MidChars(QStringLiteral("きゃく"), 1, 2), QStringLiteral("ゃく"));
  EXPECT_EQ(MidChars(QStringLiteral("ab"), 1, 5), QStringLiteral("b"));
}

// Data files are read whole at start-up: anything but a regular file of a
// sane size is refused with its name, without hanging or reading forever.
TEST(DataFileRead, RefusesDevicesFifosFoldersHugeFilesAndReadErrors) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath(QStringLiteral("fifo.dat"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString huge = dir.filePath(QStringLiteral("huge.dat"));
  {
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(kMaxDataFileBytes + 1));  // sparse: nothing is written
  }
  const std::pair<QString, FileFault> cases[] = {
      {QStringLiteral("/dev/zero"), FileFault::NotRegular},
      {fifo, FileFault::NotRegular},
      {dir.path(), FileFault::NotRegular},
      {huge, FileFault::TooLarge},
      {QStringLiteral("/proc/self/mem"), FileFault::ReadFailed},
      {dir.filePath(QStringLiteral("none.dat")), FileFault::Missing},
  };
  for (const auto& [path, fault] : cases) {
    try {
      ReadTextFileLines(path);
      ADD_FAILURE() << "read " << path.toStdString();
    } catch (const DataFileError& e) {
      EXPECT_EQ(e.file(), path);
      EXPECT_EQ(e.message(), FileFaultText(fault)) << path.toStdString();
    }
  }
}
