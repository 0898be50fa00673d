#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "text/errors.h"
#include "text/text_file.h"
#include "typing/practice_text.h"
#include "typing/rich_pane.h"
#include "typing/text_detect.h"

using namespace shurencho;

TEST(TypingTextDetect, Utf8WithOrWithoutMarkUtf16AndElseCp932) {
  const QString japanese = QStringLiteral("日本語のテキスト、ソ表示");
  EXPECT_EQ(DecodePlainText(japanese.toUtf8()), japanese);
  EXPECT_EQ(DecodePlainText("\xEF\xBB\xBF" + japanese.toUtf8()), japanese);
  // Shift-JIS bytes are never valid UTF-8 here ("ソ" even ends in a backslash byte).
  EXPECT_EQ(DecodePlainText(EncodeCp932(japanese)), japanese);
  QByteArray utf16le("\xFF\xFE", 2);
  for (const QChar c : japanese) {
    utf16le.append(static_cast<char>(c.unicode() & 0xFF));
    utf16le.append(static_cast<char>(c.unicode() >> 8));
  }
  EXPECT_EQ(DecodePlainText(utf16le), japanese);
  EXPECT_EQ(DecodePlainText("plain ASCII"), QStringLiteral("plain ASCII"));
}

TEST(TypingTextDetect, OnlyWellFormedUtf8CountsAsUtf8) {
  EXPECT_TRUE(IsValidUtf8(QByteArray()));
  EXPECT_TRUE(IsValidUtf8("\xF0\xA0\xAE\xB7"));  // outside the BMP
  EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
  const QByteArray bad[] = {
      "\xC0\xAF",          // overlong
      "\xE0\x80\xAF",      // overlong
      "\xED\xA0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xF5\x80\x80\x80",
      "\x80",          // a stray continuation
      "\xE3\x81",      // cut short
      "\xE3\x41\x81",  // a continuation that is not one
  };
  for (const QByteArray& b : bad) EXPECT_FALSE(IsValidUtf8(b)) << b.toHex().constData();
}

TEST(TypingTextDetect, CtrlZEndsTheTextButABadByteDoesNot) {
  EXPECT_EQ(DecodePlainText("end\x1A\xFF trailing"), QStringLiteral("end"));
  EXPECT_EQ(DecodePlainText(QByteArray("\xFF\xFE"
                                       "a\0\x1A\0b\0",
                                       8)),
            QStringLiteral("a"));
  // 0x83 0xFE is no CP932 character; the rest of the text stays.
  const QString bad = DecodePlainText("\x93\xfa\x83\xfe\x96\x7b");
  EXPECT_TRUE(bad.startsWith(QStringLiteral("日\uFFFD")) && bad.endsWith(QStringLiteral("\uFFFD本")))
      << bad.toStdString();
}

TEST(TypingTextDetect, EveryLineBreakBecomesCrLf) {
  EXPECT_EQ(NormalizePracticeText(QStringLiteral("a\nb\rc\r\nd\r\r\ne")),
            QStringLiteral("a\r\nb\r\nc\r\nd\r\n\r\ne"));
  EXPECT_EQ(NormalizePracticeText(QStringLiteral("x\u2028y\u2029z")), QStringLiteral("x\r\ny\r\nz"));
  EXPECT_EQ(NormalizePracticeText(QStringLiteral("a\u00A0b\uFDD0")), QStringLiteral("a b\uFFFD"));
}

TEST(TypingTextLoad, PicksTheReaderByContentAndNamesFilesItCannotRead) {
  QTemporaryDir dir;
  const auto write = [&](const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  };
  EXPECT_EQ(LoadPracticeText(write(QStringLiteral("a.txt"), "{\\rtf1 rich\\par text\\par}")).text,
            QStringLiteral("rich\r\ntext"));
  EXPECT_EQ(LoadPracticeText(write(QStringLiteral("b.rtf"), EncodeCp932(QStringLiteral("一\n二")))).text,
            QStringLiteral("一\r\n二"));

  const QString missing = dir.filePath(QStringLiteral("nothing.txt"));
  const QString fifo = dir.filePath(QStringLiteral("fifo.txt"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  // More lines than the pane lays out quickly; exactly that many are taken.
  const QString lines = write(QStringLiteral("lines.txt"), QByteArray(kMaxPracticeLines + 1, '\n'));
  EXPECT_NO_THROW(LoadPracticeText(write(QStringLiteral("most.txt"), QByteArray(kMaxPracticeLines, '\n'))));
  for (const QString& path : {missing, dir.path(), fifo, QStringLiteral("/dev/zero"), lines}) {
    try {
      LoadPracticeText(path);
      ADD_FAILURE() << "read " << path.toStdString();
    } catch (const AppError& e) {
      EXPECT_TRUE(e.text().contains(QDir::toNativeSeparators(path))) << e.text().toStdString();
    }
  }
}

TEST(TypingTextLoad, AParagraphCrowdedWithLooksIsShownPlain) {
  QTemporaryDir dir;
  QFile f(dir.filePath(QStringLiteral("looks.rtf")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("{\\rtf1 " + QByteArray("\\b a\\b0 b").repeated(kMaxLooksPerParagraph + 1) + "\\par x{\\i y}}");
  f.close();
  const RichText content = LoadPracticeText(f.fileName());
  EXPECT_EQ(content.text.size(), 2 * static_cast<int>(kMaxLooksPerParagraph) + 6);
  ASSERT_EQ(content.runs.size(), 1u);
  EXPECT_TRUE(content.runs[0].italic);
}

namespace {
// Lines as a wrapping layout gives them: every 4 characters start a line.
class FourPerLine final : public PaneLines {
 public:
  explicit FourPerLine(const RichPane& pane) : m_pane(pane) {}
  int LineFromChar(int pos) override { return pos / 4; }
  int LineCount() override { return static_cast<int>(m_pane.text().size() + 3) / 4; }

 private:
  const RichPane& m_pane;
};
}  // namespace

TEST(TypingPane, DocumentPositionsCountEachCrLfOnce) {
  RichPane pane;
  pane.Load(RichText{QStringLiteral("ab\r\ncd\r\n\r\ne"), {}});
  const int expected[] = {0, 1, 2, 2, 3, 4, 5, 5, 6, 6, 7, 8};
  for (int pos = 0; pos <= 11; ++pos) EXPECT_EQ(pane.DocumentPosition(pos), expected[pos]) << pos;
  EXPECT_EQ(pane.LineFromChar(3), 0);  // between CR and LF: still the first line
  EXPECT_EQ(pane.LineFromChar(4), 1);
  EXPECT_EQ(pane.LineFromChar(10), 3);
  EXPECT_EQ(pane.LineCount(), 4);
}

TEST(TypingPane, ScrollingStaysWithinTheTextOfTheLayoutInUse) {
  RichPane pane;
  pane.Load(RichText{QString(40, QLatin1Char('x')), {}});
  EXPECT_EQ(pane.LineCount(), 1);
  pane.LineScroll(5);
  EXPECT_EQ(pane.FirstVisibleLine(), 0);

  FourPerLine lines(pane);
  pane.SetLines(&lines);
  EXPECT_EQ(pane.LineFromChar(13), 3);
  pane.LineScroll(3);
  EXPECT_EQ(pane.FirstVisibleLine(), 3);
  pane.LineScroll(100);  // 10 lines, 6 in view
  EXPECT_EQ(pane.FirstVisibleLine(), 4);
  pane.LineScroll(-100);
  EXPECT_EQ(pane.FirstVisibleLine(), 0);

  pane.LineScroll(2);
  pane.Load(RichText{QStringLiteral("new"), {}});
  EXPECT_EQ(pane.FirstVisibleLine(), 0);
  EXPECT_EQ(pane.caret(), 0);
}
