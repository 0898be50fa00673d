// The drill page's widgets: keys reach the page's handlers the way the
// window gives them, and what the handlers discard goes no further.
#include "ui/drill_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "support/fake_platform.h"
#include "support/shipped_data.h"
#include "ui/qt_platform.h"
#include "unit/drill_fixture.h"

using namespace shurencho;

namespace {

// Stands for the window around the page: it sees every key nobody took.
class KeySpy final : public QWidget {
 public:
  std::vector<int> keys;

 protected:
  void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
};

class DrillViewTest : public ::testing::Test {
 protected:
  DrillViewTest() : platform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>()) {
    LoadSettings(settings, false, QString());
  }

  // The page runs on the real platform, or on pagePlatform to count beeps.
  void Start(int course, Platform* pagePlatform = nullptr) {
    settings.CourseNo = course - 1;
    page = std::make_unique<DrillPage>(settings, data, pagePlatform ? *pagePlatform : platform);
    window = std::make_unique<KeySpy>();
    window->resize(540, 420);
    view = new DrillView(*page, platform, ShippedPracticeData().keyboards.jis, window.get());
    view->setGeometry(0, 0, 537, 410);
    window->show();
    page->FormCreate();
    page->FormShow();
    view->Render();
    QApplication::processEvents();
  }

  static void Send(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                   const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
  }
  // Letters and digits as the keyboard sends them, Shift for capitals.
  static void Type(QWidget* w, const QString& text) {
    for (const QChar c : text) {
      const QChar upper = c.toUpper();
      const int key = c == u' ' ? int(Qt::Key_Space) : int(upper.unicode());
      Send(w, key, c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier, QString(c));
    }
  }

  QtPlatform platform;
  AppSettings settings;
  PracticeData data = SmallDrillData();
  std::unique_ptr<DrillPage> page;
  std::unique_ptr<KeySpy> window;
  DrillView* view = nullptr;  // owned by window
};

TEST_F(DrillViewTest, CapitalsArriveInLowerCaseAndAreJudged) {
  Start(4);
  Type(view->edit2(), QStringLiteral("K"));
  EXPECT_EQ(view->edit2()->text(), QStringLiteral("k"));
  EXPECT_EQ(page->Edit2.text(), QStringLiteral("k"));
  EXPECT_EQ(view->label("Label1")->text(), QStringLiteral("k"));
  Type(view->edit2(), QStringLiteral("ANA"));
  EXPECT_EQ(view->label("Label43")->text(), QStringLiteral("きゃく"));
  EXPECT_EQ(view->edit2()->text(), QString());
  EXPECT_EQ(view->label("Label3")->text(), QStringLiteral("2　字"));
}

TEST_F(DrillViewTest, ARefusedKeyIsTakenBackOutOfTheBox) {
  Start(4);
  Type(view->edit2(), QStringLiteral("kq"));
  EXPECT_EQ(view->edit2()->text(), QStringLiteral("k"));
  EXPECT_EQ(view->edit2()->cursorPosition(), 1);
  Send(view->edit2(), Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
  EXPECT_EQ(view->edit2()->text(), QStringLiteral("k"));
  Type(view->edit2(), QStringLiteral("a"));
  EXPECT_EQ(view->label("Label1")->text(), QStringLiteral("か"));
}

TEST_F(DrillViewTest, TheBoxAsksForNoInputMethodAndJudgesItsCommitsLikeKeys) {
  FakePlatform fake;
  Start(4, &fake);
  QInputMethodQueryEvent query(Qt::ImEnabled);
  QApplication::sendEvent(view->edit2(), &query);
  EXPECT_FALSE(query.value(Qt::ImEnabled).toBool());

  const auto imEvent = [this](const QString& preedit, const QString& commit) {
    QInputMethodEvent event(preedit, {});
    event.setCommitString(commit);
    QApplication::sendEvent(view->edit2(), &event);
  };
  Type(view->edit2(), QStringLiteral("k"));
  imEvent({}, QStringLiteral("あい"));
  EXPECT_EQ(fake.beeps, 2);
  EXPECT_EQ(view->edit2()->text(), QStringLiteral("k"));
  imEvent(QStringLiteral("な"), QStringLiteral("a"));
  EXPECT_EQ(view->label("Label1")->text(), QStringLiteral("か"));
  EXPECT_EQ(view->edit2()->text(), QString());
  Type(view->edit2(), QStringLiteral("na"));
  EXPECT_EQ(view->label("Label43")->text(), QStringLiteral("きゃく"));
  EXPECT_EQ(fake.beeps, 2);
}

// Pasted text is judged key by key: kana pasted as an item starts is
// refused, and the item can still be typed.
TEST_F(DrillViewTest, PastedTextIsJudgedLikeKeys) {
  FakePlatform fake;
  Start(4, &fake);
  QGuiApplication::clipboard()->setText(QStringLiteral("あ"));
  Send(view->edit2(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_GT(fake.beeps, 0);
  EXPECT_EQ(view->edit2()->text(), QString());
  Type(view->edit2(), QStringLiteral("ka"));
  EXPECT_EQ(view->label("Label1")->text(), QStringLiteral("か"));
}

TEST_F(DrillViewTest, TheReadingIsShownAsPlainTextAndTheFocusComesBack) {
  data.conversionWords = {QStringLiteral("<i>記者</i>,きしゃ,1,1,0,0,<i>記者</i>")};
  Start(5);
  platform.SetMainWindow(window.get());
  bool plain = false;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      plain = box->textFormat() == Qt::PlainText && box->text() == QStringLiteral("きしゃ");
      box->accept();
    }
  });
  QTest::mouseClick(view->label("Label43"), Qt::LeftButton);
  EXPECT_TRUE(plain);
  EXPECT_EQ(view->label("Label43")->textFormat(), Qt::PlainText);
  EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == view->edit2(); }, 1000));
}

TEST_F(DrillViewTest, EnterInTheBoxPressesTheHiddenButton) {
  Start(5);
  Type(view->edit2(), QStringLiteral("gakkou"));
  ASSERT_EQ(view->label("Panel1")->text(), QStringLiteral("変換"));
  Send(view->edit2(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  EXPECT_TRUE(page->state().Confirmed);
  EXPECT_EQ(view->label("Panel1")->text(), QStringLiteral("取消"));
  EXPECT_TRUE(window->keys.empty());
}

TEST_F(DrillViewTest, FunctionKeysAreDiscardedWhileTheReadingIsTyped) {
  Start(4);
  Type(view->edit2(), QStringLiteral("k"));
  for (int key = Qt::Key_F2; key <= Qt::Key_F12; ++key) Send(view->edit2(), key);
  EXPECT_TRUE(window->keys.empty());
  // Alt+F4 is the window's.
  Send(view->edit2(), Qt::Key_F4, Qt::AltModifier);
  EXPECT_EQ(window->keys, std::vector<int>{Qt::Key_F4});
  EXPECT_EQ(view->edit2()->text(), QStringLiteral("k"));
}

TEST_F(DrillViewTest, TheControlsFollowThePage) {
  Start(3);
  EXPECT_FALSE(view->radioButton(3)->isEnabled());
  EXPECT_TRUE(view->checkBox4()->isChecked());
  EXPECT_TRUE(view->label("Label44")->isVisible());
  EXPECT_EQ(view->label("Label5")->text(), QStringLiteral("ローマ字　文字入力練習"));
  EXPECT_EQ(view->label("Label19")->text(), QStringLiteral("×"));
  EXPECT_EQ(view->findChild<QListWidget*>(), nullptr);  // made when first opened
  view->radioButton(1)->click();
  EXPECT_EQ(settings.CourseNo, 0);
  EXPECT_FALSE(view->radioButton(1)->isEnabled());
  EXPECT_TRUE(view->radioButton(1)->isChecked());
  EXPECT_TRUE(view->radioButton(3)->isEnabled());
  EXPECT_FALSE(view->label("Label44")->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), view->edit2());
  view->checkBox4()->click();
  EXPECT_FALSE(settings.Viewroma);
  // Letter items need no conversion: the line is in the window-text colour.
  const QPalette p = view->palette();
  EXPECT_EQ(view->label("Label1")->palette().color(QPalette::WindowText), p.color(QPalette::WindowText));
}

TEST_F(DrillViewTest, ConversionKeysReachThePageAndTheListKeepsItsOwn) {
  data.conversionWords = {QStringLiteral("記者,きしゃ,1,1,0,0,記者,汽車,貴社"),
                          QStringLiteral("学校,がっこう,1,1,0,0,学校")};
  Start(5);
  Type(view->edit2(), QStringLiteral("kisha"));
  Send(view->edit2(), Qt::Key_F7);
  EXPECT_EQ(view->label("Label1")->text(), QStringLiteral("キシャ"));
  EXPECT_EQ(view->label("Panel1")->text(), QStringLiteral("変換"));
  // Converting already: the space bar opens the list and gives it the focus;
  // the space itself never stays in the box.
  Type(view->edit2(), QStringLiteral(" "));
  QListWidget* list = view->listBox1();
  ASSERT_TRUE(list->isVisible());
  // Made late, it has the design's place: under RESET, next after the box.
  QWidget* reset = view->button3();
  EXPECT_LT(view->children().indexOf(list), view->children().indexOf(reset));
  QWidget* next = view->edit2()->nextInFocusChain();
  while (next != list && next != reset) next = next->nextInFocusChain();
  EXPECT_EQ(next, list);
  EXPECT_TRUE(list->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), list);
  EXPECT_EQ(list->count(), 3);
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(view->edit2()->text(), QString());
  // The list's keys are the page's: space moves down, Up moves back, the
  // function keys go nowhere.
  Send(list, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  Send(list, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  EXPECT_EQ(list->currentRow(), 2);
  Send(list, Qt::Key_Up);
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_EQ(view->label("Label1")->text(), QStringLiteral("キシャ"));
  window->keys.clear();
  Send(list, Qt::Key_F5);
  Send(list, Qt::Key_F10);
  EXPECT_TRUE(window->keys.empty());
  EXPECT_TRUE(list->isVisible());
  // Down takes the highlighted candidate and gives the focus back to the box.
  Send(list, Qt::Key_Down);
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(view->label("Label1")->text(), QStringLiteral("汽車"));
  EXPECT_EQ(view->label("Panel1")->text(), QStringLiteral("取消"));
  EXPECT_EQ(QApplication::focusWidget(), view->edit2());
  // CTRL+BS takes it back; a click on a candidate confirms it.
  Send(view->edit2(), Qt::Key_Backspace, Qt::ControlModifier);
  EXPECT_EQ(view->label("Panel1")->text(), QStringLiteral("変換"));
  Type(view->edit2(), QStringLiteral(" "));
  ASSERT_TRUE(list->isVisible());
  EXPECT_EQ(list->currentRow(), 1);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(view->label("Panel1")->text(), QStringLiteral("次へ"));
  Send(view->edit2(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  EXPECT_EQ(view->label("Label43")->text(), QStringLiteral("学校"));
}

TEST_F(DrillViewTest, EnterInTheListTakesTheCandidate) {
  data.conversionWords = {QStringLiteral("記者,きしゃ,1,1,0,0,記者,汽車,貴社")};
  Start(5);
  Type(view->edit2(), QStringLiteral("kisha  "));
  ASSERT_TRUE(view->listBox1()->isVisible());
  Send(view->listBox1(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  EXPECT_FALSE(view->listBox1()->isVisible());
  EXPECT_TRUE(page->state().Confirmed);
  EXPECT_EQ(view->label("Panel1")->text(), QStringLiteral("次へ"));
}

}  // namespace
