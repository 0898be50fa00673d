#include <gtest/gtest.h>

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "app/page_texts.h"
#include "support/shipped_data.h"
#include "ui/main_window_view.h"
#include "ui/qt_platform.h"

using namespace shurencho;

namespace {

class ShellViewTest : public ::testing::Test {
 protected:
  // firstStart: the learner has no history yet.
  explicit ShellViewTest(bool firstStart = false)
      : platform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>()),
        settings(SettingsForShippedData()),
        form(settings, ShippedPracticeData(), platform, dir.filePath(QStringLiteral("shurencho.ini"))),
        window(form, platform) {
    form.FormCreate();
    form.FormShow();
    window.RenderAll();
    window.SetFirstStart(firstStart);
    window.show();
  }
  // The menus' items, made as a menu first opens.
  void FillMenus() {
    for (QAction* menu : window.menuBar()->actions()) emit menu->menu()->aboutToShow();
  }
  QAction* MenuAction(const QString& text) {
    FillMenus();
    for (QAction* menu : window.menuBar()->actions()) {
      for (QAction* item : menu->menu()->actions()) {
        if (item->text() == text) return item;
      }
    }
    return nullptr;
  }

  QTemporaryDir dir;
  QtPlatform platform;
  AppSettings settings;
  TForm1 form;
  MainWindow window;
};

class FirstStartTest : public ShellViewTest {
 protected:
  FirstStartTest() : ShellViewTest(true) {}
};

}  // namespace

TEST_F(ShellViewTest, PagesInTabOrderAndTheWindowTitle) {
  QTabWidget* tabs = window.pageControl();
  ASSERT_EQ(tabs->count(), 6);
  const QStringList captions{"POINT", "CLICK", "DORAG", "DOBLE", "特訓", "実践"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(tabs->tabText(i), captions[i]);
  // The maze sends the pointer right of it when it is left.
  EXPECT_EQ(platform.Control(QStringLiteral("PageControl1")), tabs);
  EXPECT_EQ(tabs->currentIndex(), 4);
  EXPECT_EQ(window.windowTitle(), settings.WindowCaption);
}

TEST_F(ShellViewTest, OnlyTheUsersTabChangeRunsThePageChange) {
  QTabBar* bar = window.pageControl()->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  EXPECT_EQ(form.ActivePage, Page::Click);
  EXPECT_EQ(form.Label25.caption, page_texts::Click());
  EXPECT_TRUE(form.Timer1Enabled);

  // The menu makes the page active from code: the side panel keeps its text.
  QAction* point = MenuAction(QStringLiteral("ポイント(&P)"));
  ASSERT_NE(point, nullptr);
  point->trigger();
  EXPECT_EQ(window.pageControl()->currentIndex(), 0);
  EXPECT_EQ(form.Label25.caption, page_texts::Click());
  EXPECT_FALSE(form.Timer1Enabled);
}

TEST_F(ShellViewTest, F1ToF3AreTheOnlyMenuShortcuts) {
  // They work before any menu was opened.
  QApplication::setActiveWindow(&window);
  QTest::keyClick(&window, Qt::Key_F3);
  QTRY_VERIFY(window.keyboardGuide() != nullptr && window.keyboardGuide()->isVisible());
  FillMenus();
  QStringList shortcuts;
  for (QAction* menu : window.menuBar()->actions()) {
    for (QAction* item : menu->menu()->actions()) {
      if (!item->shortcut().isEmpty()) shortcuts.append(item->shortcut().toString() + item->text());
    }
  }
  EXPECT_EQ(shortcuts, QStringList({QStringLiteral("F2成績(&G)"), QStringLiteral("F3キーボードガイド(&Y)"),
                                    QStringLiteral("F1ヘルプ(&H)")}));
}

TEST_F(FirstStartTest, TheGuideOpensWithWhereToBeginAndItsButtonLeavesTheKeyboardInTheDrill) {
  QTRY_VERIFY(window.keyboardGuide() != nullptr && window.keyboardGuide()->isVisible());
  KeyboardGuideView* guide = window.keyboardGuide();
  QPushButton* step = guide->stepButton();
  ASSERT_TRUE(step->isVisible());
  EXPECT_EQ(step->text(), QStringLiteral("コース1 から はじめよう"));
  EXPECT_FALSE(settings.GuideShowChosen);  // opened by itself: nothing to keep yet
  QApplication::setActiveWindow(&window);
  QTest::mouseClick(step, Qt::LeftButton);
  EXPECT_EQ(settings.CourseNo, 0);
  EXPECT_TRUE(guide->frame().welcome.isEmpty());
  EXPECT_EQ(QApplication::focusWidget(), platform.Control(QStringLiteral("Edit2")));
  // Closed by its title bar: remembered as closed.
  guide->close();
  EXPECT_FALSE(settings.GuideShow);
  EXPECT_TRUE(settings.GuideShowChosen);
}
