// The history's faults beside the window: told once, in a window that never
// takes the keyboard, never in a box; the main window stays as it is.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>

#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "support/shipped_data.h"
#include "ui/history_notice_view.h"
#include "ui/main_window_view.h"
#include "ui/qt_platform.h"

using namespace shurencho;

TEST(HistoryNotice, AFaultIsToldOnceBesideTheWindowWithoutTakingTheKeyboard) {
  QTemporaryDir dir;
  QtPlatform platform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>());
  AppSettings settings = SettingsForShippedData();
  TForm1 form(settings, ShippedPracticeData(), platform, dir.filePath(QStringLiteral("shurencho.ini")));
  MainWindow window(form, platform);
  form.FormCreate();
  form.FormShow();
  window.RenderAll();
  window.show();
  const QSize size = window.size();

  HistoryStatus damaged;
  damaged.state = HistoryStatus::State::Off;
  damaged.file = QStringLiteral("/home/taro/.local/share/shurencho/history.sqlite");
  damaged.journal = damaged.file + QStringLiteral(".pending");
  damaged.reason = QStringLiteral("ファイルが壊れているか、学習履歴のファイルではありません。");
  damaged.waitingRows = 3;
  window.ShowHistoryStatus(damaged);
  HistoryNoticeView* notice = window.historyNotice();
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_TRUE(notice->testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_TRUE(notice->windowFlags() & Qt::WindowDoesNotAcceptFocus);
  EXPECT_TRUE(notice->text().contains(damaged.reason));
  EXPECT_TRUE(notice->text().contains(QStringLiteral("3 件")));
  damaged.waitingRows = 4;  // while it shows, the count follows
  window.ShowHistoryStatus(damaged);
  EXPECT_TRUE(notice->text().contains(QStringLiteral("4 件"))) << notice->text().toStdString();

  // Closed by the learner, the same fault (more records waiting) is not told again.
  notice->close();
  damaged.waitingRows = 5;
  window.ShowHistoryStatus(damaged);
  EXPECT_FALSE(notice->isVisible());
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<QMessageBox*>(w), nullptr);
  EXPECT_EQ(window.size(), size);

  // The file came back: the records that waited are written, and it says so.
  HistoryStatus open;
  open.state = HistoryStatus::State::Open;
  open.written = 5;
  window.ShowHistoryStatus(open);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_TRUE(notice->text().contains(QStringLiteral("5 件を書き込みました")));
}
