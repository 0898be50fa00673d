#include "ui/typing_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

#include "adapters/furigana_reader.h"
#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "data/practice_data.h"
#include "support/fake_platform.h"
#include "support/fake_readings.h"
#include "text/text_file.h"
#include "typing/practice_text.h"
#include "ui/qt_platform.h"
#include "ui/ruby_text_edit.h"

using namespace shurencho;

namespace {

// The page runs on the fake platform (scripted dialog, counted beeps); the
// view on the real one.
class TypingViewTest : public ::testing::Test {
 protected:
  TypingViewTest() : qt(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>()) {
    LoadSettings(settings, false, QString());
    page.FormCreate();
    view.resize(537, 433);
    view.Render();
    view.show();
  }

  void Load(const QByteArray& bytes) {
    const QString path = dir.filePath(QStringLiteral("practice.txt"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    fake.dialogAnswers.push_back(path);
    QTest::mouseClick(view.button4(), Qt::LeftButton);
  }
  void Commit(const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(view.memo2(), &event);
  }
  void Preedit(const QString& text) {
    QInputMethodEvent event(text, {});
    QApplication::sendEvent(view.memo2(), &event);
  }
  // The colour the pane draws the character at a document position in.
  QColor ColourAt(int docPos) {
    QTextCursor cursor(view.richEdit1()->document());
    cursor.setPosition(docPos + 1);
    return cursor.charFormat().foreground().color();
  }
  // The page's colours: the pane's own window-text colour draws its border.
  QColor Highlight() { return view.palette().color(QPalette::Highlight); }
  QColor WindowText() { return view.palette().color(QPalette::WindowText); }

  QTemporaryDir dir;
  FakePlatform fake;
  QtPlatform qt;
  AppSettings settings;
  PracticeData data;
  TypingPage page{settings, data, fake};
  TypingView view{page, qt};
};

}  // namespace

TEST_F(TypingViewTest, TheClosedBoxBeepsAndTakesNothing) {
  EXPECT_EQ(view.label(22)->text(), typing_texts::Welcome());
  EXPECT_TRUE(view.memo2()->isReadOnly());
  QTest::keyClicks(view.memo2(), QStringLiteral("ab"));
  EXPECT_EQ(fake.beeps, 2);
  EXPECT_TRUE(view.memo2()->toPlainText().isEmpty());
  EXPECT_EQ(qt.Control(QStringLiteral("Memo2")), view.memo2());
  EXPECT_EQ(view.richEdit1()->focusPolicy(), Qt::NoFocus);
}

TEST_F(TypingViewTest, CommittedInputMethodTextIsTypedAndThePreeditIsNot) {
  Load(QStringLiteral("日本語\nです").toUtf8());
  EXPECT_EQ(view.richEdit1()->toPlainText(), QStringLiteral("日本語\nです"));
  EXPECT_EQ(view.label(7)->text(), QStringLiteral("7"));
  EXPECT_FALSE(view.memo2()->isReadOnly());
  EXPECT_TRUE(view.memo2()->testAttribute(Qt::WA_InputMethodEnabled));

  Preedit(QStringLiteral("にほ"));
  EXPECT_TRUE(page.Memo2.text.isEmpty());
  EXPECT_EQ(page.TypingRun.TypingStart, 0);

  Commit(QStringLiteral("日本"));
  EXPECT_EQ(page.Memo2.text, QStringLiteral("日本"));
  EXPECT_EQ(view.label(8)->text(), QStringLiteral("2"));
  EXPECT_EQ(ColourAt(0), Highlight());
  EXPECT_EQ(ColourAt(1), Highlight());
  EXPECT_EQ(ColourAt(2), WindowText());

  // A line break typed as Enter is the practice text's CR LF.
  Commit(QStringLiteral("語"));
  QTest::keyClick(view.memo2(), Qt::Key_Return);
  EXPECT_EQ(page.Memo2.text, QStringLiteral("日本語\r\n"));
  EXPECT_EQ(view.label(8)->text(), QStringLiteral("5"));
  EXPECT_EQ(ColourAt(4), WindowText());
  Commit(QStringLiteral("で"));
  EXPECT_EQ(ColourAt(4), Highlight());
  QTest::keyClick(view.memo2(), Qt::Key_Backspace);

  QTest::keyClick(view.memo2(), Qt::Key_Backspace);
  QTest::keyClick(view.memo2(), Qt::Key_Backspace);
  EXPECT_EQ(view.label(8)->text(), QStringLiteral("2"));
  EXPECT_EQ(ColourAt(1), Highlight());
  EXPECT_EQ(ColourAt(2), WindowText());
}

TEST_F(TypingViewTest, UnhighlightedTextGetsBackTheColourOfItsFile) {
  Load("{\\rtf1{\\colortbl;\\red0\\green128\\blue0;}ab{\\cf1 cd}ef}");
  EXPECT_EQ(ColourAt(2), QColor(0, 128, 0));
  Commit(QStringLiteral("abcde"));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ColourAt(i), Highlight()) << i;
  for (int i = 0; i < 4; ++i) QTest::keyClick(view.memo2(), Qt::Key_Backspace);
  EXPECT_EQ(ColourAt(0), Highlight());
  EXPECT_EQ(ColourAt(1), WindowText());
  EXPECT_EQ(ColourAt(2), QColor(0, 128, 0));
  EXPECT_EQ(ColourAt(3), QColor(0, 128, 0));
  EXPECT_EQ(ColourAt(4), WindowText());
}

TEST_F(TypingViewTest, TheCaretsWrappedLineIsScrolledToTheThirdLine) {
  // One long paragraph: only the real layout knows where its lines break.
  const QString text = QString(400, QChar(0x3042));
  Load(text.toUtf8());
  Commit(text.left(200));
  const int first = page.RichEdit1.FirstVisibleLine();
  EXPECT_GT(first, 0);
  EXPECT_EQ(page.RichEdit1.LineFromChar(200) - first, 2);
  EXPECT_EQ(view.richEdit1()->verticalScrollBar()->value(), first * view.lineHeight());
  // The character at the top left of the pane sits on the first visible line.
  const QTextCursor top = view.richEdit1()->cursorForPosition(QPoint(2, view.lineHeight() / 2));
  EXPECT_EQ(page.RichEdit1.LineFromChar(top.position()), first);
}

// Readings come off the GUI thread and make every line taller; the page
// still keeps the caret's line in view and no reading covers a line.
TEST_F(TypingViewTest, ReadingsMakeTheLinesTallerAndTheCaretStaysInView) {
  const QString text = QStringLiteral("漢字あ").repeated(130);
  Load(text.toUtf8());
  const int plain = view.lineHeight();
  view.SetReadings(
      std::make_shared<FuriganaReader>(QStringLiteral(SHURENCHO_ASSETS_DIR "/kanji.txt"), &KanjiRunsAsWords),
      SchoolYear::Sho1);
  view.WaitForReadings();
  ASSERT_FALSE(view.rubyPane()->ruby().isEmpty());
  EXPECT_GT(view.lineHeight(), plain);
  Commit(text.left(200));
  const int first = page.RichEdit1.FirstVisibleLine();
  EXPECT_LT(page.RichEdit1.LineFromChar(200) - first, view.richEdit1()->height() / view.lineHeight());
  EXPECT_EQ(view.richEdit1()->verticalScrollBar()->value(), first * view.lineHeight());
  const QTextCursor top = view.richEdit1()->cursorForPosition(QPoint(2, view.lineHeight() / 2));
  EXPECT_EQ(page.RichEdit1.LineFromChar(top.position()), first);
  for (const RubyTextEdit::Placed& p : view.rubyPane()->PlacedRuby())
    for (const QRect& line : view.rubyPane()->LineRects()) EXPECT_FALSE(p.rect.intersects(line));
}

TEST_F(TypingViewTest, CompletionClosesTheBoxAndShowsTheVerdict) {
  Load("ok");
  Commit(QStringLiteral("o"));
  fake.Advance(40);
  Commit(QStringLiteral("k"));
  EXPECT_TRUE(view.memo2()->isReadOnly());
  EXPECT_EQ(view.label(22)->text(), typing_texts::Poor());
  QTest::keyClick(view.memo2(), Qt::Key_A);
  EXPECT_EQ(fake.beeps, 1);
  // The closed box asks for no input method; a commit is refused like a key.
  QInputMethodQueryEvent query(Qt::ImEnabled);
  QApplication::sendEvent(view.memo2(), &query);
  EXPECT_FALSE(query.value(Qt::ImEnabled).toBool());
  Commit(QStringLiteral("あ"));
  EXPECT_EQ(fake.beeps, 2);
  EXPECT_EQ(view.memo2()->toPlainText(), QStringLiteral("ok"));
  EXPECT_EQ(page.Memo2.text, QStringLiteral("ok"));
}

TEST_F(TypingViewTest, FileTextInLabelsIsShownAsTypedNotAsMarkup) {
  Load("x");
  page.Label6.caption = QStringLiteral("<img src=/dev/zero><b>x</b>");
  view.Render();
  EXPECT_EQ(view.label(6)->textFormat(), Qt::PlainText);
  EXPECT_EQ(view.label(6)->text(), page.Label6.caption);
}

TEST_F(TypingViewTest, TextsThatOnceFrozeThePaneLoadWithTheirLooks) {
  Load(QByteArray(kMaxPracticeLines - 1, '\n'));
  EXPECT_EQ(view.richEdit1()->document()->blockCount(), kMaxPracticeLines);

  // A new look on every character, as large as a practice file may be.
  QByteArray rtf = "{\\rtf1\\ansi ";
  const QByteArray line = QByteArray("\\b a\\b0 b\\i c\\i0 d").repeated(15) + "\\par\n";
  while (rtf.size() + line.size() < kMaxPracticeFileBytes) rtf += line;
  Load(rtf + "}");
  EXPECT_EQ(view.richEdit1()->document()->blockCount(), (rtf.size() - 12) / line.size());
  QTextCursor cursor(view.richEdit1()->document());
  cursor.setPosition(1);
  EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
  cursor.setPosition(3);
  EXPECT_TRUE(cursor.charFormat().fontItalic());
  EXPECT_EQ(view.label(22)->text(), typing_texts::Ready());

  // A line that may break nowhere: marks that no line starts with.
  Load(EncodeCp932(QString(static_cast<int>(kMaxPracticeFileBytes / 2), QChar(0x3001))));
  EXPECT_EQ(view.richEdit1()->document()->characterCount(), kMaxPracticeFileBytes / 2 + 1);
}
