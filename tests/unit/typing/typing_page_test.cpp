#include "typing/typing_page.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/practice_data.h"
#include "support/fake_platform.h"
#include "text/errors.h"

using namespace shurencho;

namespace {

class TypingPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadSettings(settings, false, QString());
    page.FormCreate();
  }

  QString WriteFile(const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  // Picks the file in the dialog and loads it.
  void Load(const QString& text, const QString& name = QStringLiteral("practice.txt")) {
    platform.dialogAnswers.push_back(WriteFile(name, text.toUtf8()));
    page.Button4Click();
  }
  void Type(const QString& typed) { page.Memo2UserEdit(typed); }
  // Types the whole text: a first edit, then the rest after the given time.
  void TypeAllAfter(const QString& text, double seconds) {
    Type(text.left(1));
    platform.Advance(seconds);
    Type(text);
  }

  QTemporaryDir dir;
  FakePlatform platform;
  AppSettings settings;
  PracticeData data;
  TypingPage page{settings, data, platform};
};

}  // namespace

TEST_F(TypingPageTest, BeforeAnyTextTheBoxIsClosedAndKeysBeep) {
  EXPECT_EQ(page.Label22.caption, typing_texts::Welcome());
  EXPECT_TRUE(page.Memo2.readOnly);
  page.Memo2KeyPress();
  page.Memo2KeyPress();
  EXPECT_EQ(platform.beeps, 2);
  // Nothing typed reaches a closed box.
  Type(QStringLiteral("a"));
  EXPECT_TRUE(page.Memo2.text.isEmpty());
  EXPECT_EQ(page.TypingRun.TypingStart, 0);
}

TEST_F(TypingPageTest, LoadShowsTheFileOpensTheBoxAndAsksInTheRightFolder) {
  Load(QStringLiteral("ab\ncd𠮷"), QStringLiteral("lines.txt"));

  ASSERT_EQ(platform.dialogs.size(), 1u);
  const FileDialogRequest& request = platform.dialogs[0];
  EXPECT_EQ(request.filter, QStringLiteral("Text (*.txt)|*.txt|ALL files (*.*)|*.*"));
  EXPECT_EQ(request.defaultExt, QStringLiteral("txt"));
  EXPECT_EQ(request.initialDir, QStringLiteral("/opt/shurencho"));

  EXPECT_EQ(page.RichEdit1.text(), QStringLiteral("ab\r\ncd𠮷"));
  EXPECT_EQ(page.RichEdit2.text(), page.RichEdit1.text());
  EXPECT_EQ(page.Label6.caption, QStringLiteral("lines.txt"));
  // The line break counts as CR LF, the character outside the BMP as one.
  EXPECT_EQ(page.Label7.caption, QStringLiteral("7"));
  EXPECT_FALSE(page.Memo2.readOnly);
  EXPECT_EQ(page.Label22.caption, typing_texts::Ready());
  EXPECT_EQ(platform.focus.back(), QStringLiteral("Memo2"));
  page.Memo2KeyPress();
  EXPECT_EQ(platform.beeps, 0);

  // The next dialog opens where the last file was chosen.
  platform.dialogAnswers.push_back(std::nullopt);
  page.Button4Click();
  EXPECT_EQ(platform.dialogs.back().initialDir, QDir(dir.path()).absolutePath());
}

TEST_F(TypingPageTest, CancellingOrAFailedReadLeavesTheAttemptAsItWas) {
  Load(QStringLiteral("abcdef"));
  Type(QStringLiteral("ab"));
  platform.Advance(5);
  Type(QStringLiteral("abc"));
  const QString label10 = page.Label10.caption;

  platform.dialogAnswers.push_back(std::nullopt);
  page.Button4Click();
  EXPECT_EQ(platform.focus.back(), QStringLiteral("Memo2"));

  const QString missing = dir.filePath(QStringLiteral("gone.txt"));
  platform.dialogAnswers.push_back(missing);
  try {
    page.Button4Click();
    ADD_FAILURE() << "a missing file was read";
  } catch (const AppError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("gone.txt"))) << e.text().toStdString();
  }

  for (const RichPane* pane : {&page.RichEdit1, &page.RichEdit2})
    EXPECT_EQ(pane->text(), QStringLiteral("abcdef"));
  EXPECT_EQ(page.RichEdit1.caret(), 3);
  EXPECT_EQ(page.Memo2.text, QStringLiteral("abc"));
  EXPECT_FALSE(page.Memo2.readOnly);
  EXPECT_EQ(page.Label8.caption, QStringLiteral("3"));
  EXPECT_EQ(page.Label10.caption, label10);
  EXPECT_NE(page.TypingRun.TypingStart, 0);

  Type(QStringLiteral("abcd"));
  EXPECT_EQ(page.Label8.caption, QStringLiteral("4"));
}

TEST_F(TypingPageTest, TheClockStartsAtTheFirstEditAndShowsFromTheSecond) {
  Load(QStringLiteral("あいうえおかきくけこ"));
  const double start = platform.now;
  Type(QStringLiteral("あ"));
  EXPECT_EQ(page.TypingRun.TypingStart, start);
  EXPECT_TRUE(page.Label10.caption.isEmpty());
  EXPECT_TRUE(page.Label9.caption.isEmpty());
  EXPECT_EQ(page.Label8.caption, QStringLiteral("1"));

  // Within the first second the speed is the count times 60.
  platform.Advance(0.4);
  Type(QStringLiteral("あい"));
  EXPECT_EQ(page.Label10.caption, QStringLiteral("0:0:0"));
  EXPECT_EQ(page.Label9.caption, QStringLiteral("120　字／分"));

  // 5 characters in 1:05 make 4.6 a minute, shown truncated.
  platform.now = start + FakePlatform::Seconds(65.9);
  Type(QStringLiteral("あいうえお"));
  EXPECT_EQ(page.Label10.caption, QStringLiteral("0:1:5"));
  EXPECT_EQ(page.Label9.caption, QStringLiteral("4　字／分"));
  EXPECT_EQ(settings.RecordedSpeed(6), 4);

  // Hours wrap after a day.
  platform.now = start + 1.0 + FakePlatform::Seconds(3600 + 120 + 3);
  Type(QStringLiteral("あいうえおか"));
  EXPECT_EQ(page.Label10.caption, QStringLiteral("1:2:3"));
}

TEST_F(TypingPageTest, TheMatchGrowsShrinksAndStopsAtTheFirstWrongCharacter) {
  Load(QStringLiteral("Hello 世界\nABC"));
  Type(QStringLiteral("hELLO"));  // ASCII letters match in either case
  EXPECT_EQ(page.RichEdit1.caret(), 5);
  EXPECT_EQ(page.TypingRun.MatchedChars, 5);

  Type(QStringLiteral("Hello 世界\r\nab"));
  EXPECT_EQ(page.RichEdit1.caret(), 12);
  EXPECT_EQ(page.Label8.caption, QStringLiteral("12"));

  Type(QStringLiteral("Hello 世"));  // deleting shrinks the highlight and the count
  EXPECT_EQ(page.RichEdit1.caret(), 7);
  EXPECT_EQ(page.Label8.caption, QStringLiteral("7"));

  Type(QStringLiteral("Hellx 世界"));  // a wrong character stops the match
  EXPECT_EQ(page.RichEdit1.caret(), 4);
  EXPECT_EQ(page.Label8.caption, QStringLiteral("4"));

  Type(QStringLiteral("Ｈ"));  // only ASCII letters fold: a full-width H is wrong
  EXPECT_EQ(page.RichEdit1.caret(), 0);
}

TEST_F(TypingPageTest, AHalfMatchedSurrogatePairIsNotCounted) {
  Load(QStringLiteral("a𠮷b"));
  QString typed = QStringLiteral("a");
  typed.append(QStringLiteral("𠮷").at(0));
  typed.append(QChar(0xDC00));
  Type(typed);
  EXPECT_EQ(page.RichEdit1.caret(), 1);
  EXPECT_EQ(page.TypingRun.MatchedChars, 1);
  Type(QStringLiteral("a𠮷"));
  EXPECT_EQ(page.RichEdit1.caret(), 3);
  EXPECT_EQ(page.TypingRun.MatchedChars, 2);
}

TEST_F(TypingPageTest, CompletingWithTheFirstEditIsCheatingAndRecordsNothing) {
  settings.SetRecordedSpeed(6, 77);
  Load(QStringLiteral("貼り付けた文"));
  Type(QStringLiteral("貼り付けた文"));
  EXPECT_EQ(page.Label22.caption, typing_texts::Cheat());
  EXPECT_TRUE(page.Memo2.readOnly);
  EXPECT_EQ(settings.RecordedSpeed(6), 77);
}

TEST_F(TypingPageTest, VerdictsFollowTheTimeAndTheSpeedBounds) {
  struct Case {
    int chars;
    double seconds;
    QString verdict;
    int recorded;  // -1: the record keeps its old value
  };
  // 60 seconds make the speed equal to the count typed right.
  const Case cases[] = {
      {9, 60, typing_texts::Poor(), 9},        {10, 60, typing_texts::Good(), 10},
      {14, 60, typing_texts::Good(), 14},      {15, 60, typing_texts::Excellent(), 15},
      {40, 31, typing_texts::Excellent(), 77}, {10, 29, typing_texts::TooShort(), -1},
      {10, 30, typing_texts::TooShort(), 20},  // exactly warmup: recorded, not judged
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chars);
    SCOPED_TRACE(c.seconds);
    settings.SetRecordedSpeed(6, 999);
    Load(QString(c.chars, QLatin1Char('x')));
    TypeAllAfter(page.RichEdit1.text(), c.seconds);
    EXPECT_EQ(page.Label22.caption, c.verdict);
    EXPECT_TRUE(page.Memo2.readOnly);
    EXPECT_EQ(settings.RecordedSpeed(6), c.recorded < 0 ? 999 : c.recorded);
  }
}

TEST_F(TypingPageTest, ACompletedTextRefusesInputUntilTheNextLoad) {
  Load(QStringLiteral("ab"));
  TypeAllAfter(QStringLiteral("ab"), 40);
  const QString verdict = page.Label22.caption;
  page.Memo2KeyPress();
  EXPECT_EQ(platform.beeps, 1);
  Type(QStringLiteral("abc"));
  EXPECT_EQ(page.Memo2.text, QStringLiteral("ab"));
  EXPECT_EQ(page.Label22.caption, verdict);

  // Loading the same file again starts over.
  platform.dialogAnswers.push_back(dir.filePath(QStringLiteral("practice.txt")));
  page.Button4Click();
  EXPECT_FALSE(page.Memo2.readOnly);
  EXPECT_TRUE(page.Memo2.text.isEmpty());
  EXPECT_EQ(page.RichEdit1.caret(), 0);
  EXPECT_EQ(page.TypingRun.TypingStart, 0);
  for (const Label* label : {&page.Label8, &page.Label9, &page.Label10})
    EXPECT_TRUE(label->caption.isEmpty());
  EXPECT_EQ(page.Label22.caption, typing_texts::Ready());
}

TEST_F(TypingPageTest, DeletingEverythingAfterWarmupRecordsZero) {
  Load(QStringLiteral("abcdef"));
  Type(QStringLiteral("abc"));
  platform.Advance(45);
  Type(QStringLiteral("abcd"));
  EXPECT_EQ(settings.RecordedSpeed(6), 5);
  platform.Advance(1);
  Type(QString());
  EXPECT_EQ(settings.RecordedSpeed(6), 0);
  EXPECT_EQ(page.Label9.caption, QStringLiteral("0　字／分"));
  EXPECT_FALSE(page.Memo2.readOnly);
}

TEST_F(TypingPageTest, AnEmptyFileCompletesOnceTheBoxIsEmptiedAgain) {
  Load(QString());
  EXPECT_EQ(page.Label7.caption, QStringLiteral("0"));
  Type(QStringLiteral("a"));
  EXPECT_FALSE(page.Memo2.readOnly);
  platform.Advance(40);
  Type(QString());
  EXPECT_TRUE(page.Memo2.readOnly);
  EXPECT_EQ(page.Label22.caption, typing_texts::Poor());
}

TEST_F(TypingPageTest, TheCaretLineIsKeptAsTheThirdVisibleLine) {
  QStringList lines;
  for (int i = 0; i < 10; ++i) lines << QStringLiteral("line%1").arg(i);
  Load(lines.join(QLatin1Char('\n')));
  const QString all = page.RichEdit1.text();
  const auto typeThroughLine = [&](int line) {
    Type(all.left(all.indexOf(QStringLiteral("line%1").arg(line)) + 2));
  };

  typeThroughLine(1);
  EXPECT_EQ(page.RichEdit1.FirstVisibleLine(), 0);
  typeThroughLine(5);
  EXPECT_EQ(page.RichEdit1.FirstVisibleLine(), 3);
  typeThroughLine(2);
  EXPECT_EQ(page.RichEdit1.FirstVisibleLine(), 0);
  // Near the end the last line stays at the bottom: 10 lines, 6 in view.
  typeThroughLine(9);
  EXPECT_EQ(page.RichEdit1.FirstVisibleLine(), 4);
}

TEST_F(TypingPageTest, TheResetReturnsToNoText) {
  Load(QStringLiteral("abc"));
  Type(QStringLiteral("ab"));
  page.FormCreate();
  EXPECT_TRUE(page.RichEdit1.text().isEmpty());
  EXPECT_TRUE(page.Memo2.text.isEmpty());
  EXPECT_TRUE(page.Memo2.readOnly);
  EXPECT_TRUE(page.Label6.caption.isEmpty());
  EXPECT_EQ(page.TypingRun.TypingStart, 0);
  EXPECT_EQ(page.Label22.caption, typing_texts::Welcome());
}
