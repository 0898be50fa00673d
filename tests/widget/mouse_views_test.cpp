#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "data/practice_data.h"
#include "ui/click_view.h"
#include "ui/drag_view.h"
#include "ui/image_control_view.h"
#include "ui/maze_view.h"
#include "ui/puzzle_view.h"
#include "ui/qt_platform.h"

using namespace shurencho;

namespace {

class MouseViewTest : public ::testing::Test {
 protected:
  MouseViewTest() : platform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>()) {}

  template <typename T>
  static T* Child(QWidget* parent, int index = 0) {
    return parent->findChildren<T*>().value(index);
  }
  // The pointer goes where the user's hand would be, then the events follow.
  static void PointAt(QWidget* w, QPoint p) { QCursor::setPos(w->mapToGlobal(p)); }
  static void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button,
                        Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, held, mods);
    QApplication::sendEvent(w, &e);
  }
  static QRgb ShownPixel(QWidget* w, QPoint p) { return w->grab().toImage().pixel(p); }

  QtPlatform platform;
  AppSettings settings;
  PracticeData data;
};

TEST_F(MouseViewTest, MazeShowsItsImageAndTestsWallsOnlyWithoutShift) {
  data.mazeMap.maps[0][2][2] = kMazeWall;
  data.mazeMap.maps[0][5][5] = kMazeStart;
  MazePage page(settings, data, platform);
  QTabWidget tabs;
  platform.RegisterControl(QStringLiteral("PageControl1"), &tabs);  // as the main window does
  auto* view = new MazeView(page, platform);
  tabs.addTab(view, QStringLiteral("POINT"));
  page.FormCreate();
  view->Render();
  tabs.show();
  auto* image1 = Child<ImageControlView>(view);
  ASSERT_NE(image1, nullptr);
  EXPECT_EQ(platform.Control(QStringLiteral("Image1")), image1);
  EXPECT_EQ(ShownPixel(image1, {40, 40}), qRgb(0, 0, 0));
  EXPECT_EQ(ShownPixel(image1, {88, 88}), qRgb(0, 255, 255));

  // Shift held: no box, nothing happens.
  SendMouse(image1, QEvent::MouseMove, {40, 40}, Qt::NoButton, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  // Without Shift the box comes; once it is closed the pointer is at the start.
  bool boxSeen = false;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      boxSeen = box->text() == QStringLiteral("そこはダメ");
      box->accept();
    }
  });
  SendMouse(image1, QEvent::MouseMove, {40, 40}, Qt::NoButton);
  EXPECT_TRUE(boxSeen);
  EXPECT_EQ(image1->mapFromGlobal(QCursor::pos()), QPoint(88, 88));

  // A click on the start leaves for the right of the page control.
  PointAt(image1, {88, 88});
  QTest::mouseClick(image1, Qt::LeftButton, {}, {88, 88});
  EXPECT_EQ(tabs.mapFromGlobal(QCursor::pos()), QPoint(545, 0));
}

TEST_F(MouseViewTest, ClickHitsTheTargetUnderThePointer) {
  ClickPage page(platform);
  ClickView view(page, platform);
  page.FormCreate();
  view.Render();
  view.show();
  auto* image3 = Child<ImageControlView>(&view);
  TENemy& t = page.SetUpGame().Targets[0];
  const QPoint centre(t.X + 8, t.Y + 8);
  EXPECT_EQ(ShownPixel(image3, centre), qRgb(255, 0, 0));
  PointAt(image3, centre);
  QTest::mouseClick(image3, Qt::LeftButton, {}, centre);
  EXPECT_EQ(t.State, Tptn::kHit);
  EXPECT_EQ(ShownPixel(image3, {t.X + 8, t.Y + 2}), qRgb(0, 255, 0));
}

TEST_F(MouseViewTest, DragCarriesABallIntoTheBasketAndAReleaseOutsideDropsNothing) {
  DragPage page(platform);
  DragView view(page, platform);
  page.FormCreate();
  view.Render();
  view.show();
  auto* image6 = Child<ImageControlView>(&view);
  page.SetUpGame().Balls[0].X = 20;
  page.SetUpGame().Balls[0].Y = 30;

  PointAt(image6, {25, 35});
  SendMouse(image6, QEvent::MouseButtonPress, {25, 35}, Qt::LeftButton);
  SendMouse(image6, QEvent::MouseMove, {700, 35}, Qt::LeftButton);
  EXPECT_EQ(ShownPixel(image6, {496 + 8, 35 + 8}), qRgb(255, 255, 255));
  SendMouse(image6, QEvent::MouseButtonRelease, {700, 35}, Qt::LeftButton);
  EXPECT_FALSE(page.Dragging());
  EXPECT_EQ(page.game().Balls[0].X, 20);

  SendMouse(image6, QEvent::MouseButtonPress, {25, 35}, Qt::LeftButton);
  SendMouse(image6, QEvent::MouseMove, {230, 170}, Qt::LeftButton);
  SendMouse(image6, QEvent::MouseButtonRelease, {230, 170}, Qt::LeftButton);
  EXPECT_EQ(page.game().Balls[0].X, 230);
  EXPECT_EQ(page.game().Balls[0].Y, 170);
  EXPECT_EQ(ShownPixel(image6, {238, 178}), qRgb(192, 192, 192));
}

TEST_F(MouseViewTest, PuzzleSlidesOnADoubleClickAndDealsOnItsButton) {
  PuzzlePage page(platform);
  PuzzleView view(page, platform);
  page.FormCreate();
  view.Render();
  view.show();
  auto* image9 = qobject_cast<ImageControlView*>(platform.Control(QStringLiteral("Image9")));
  ASSERT_NE(image9, nullptr);
  const int row = page.game().GapRow;
  const int col = page.game().GapCol;
  const QPoint below(col * 64 + 32, (row + 1) * 64 + 32);  // the gap is never in the last row
  const int piece = page.game().Board.At(row + 1, col);
  PointAt(image9, below);
  QTest::mouseDClick(image9, Qt::LeftButton, {}, below);
  EXPECT_EQ(page.game().Board.At(row, col), piece);
  EXPECT_EQ(page.game().GapRow, row + 1);
  EXPECT_EQ(image9->Shown(), page.Image9);

  QPushButton* button5 = nullptr;
  for (QPushButton* b : view.findChildren<QPushButton*>()) {
    if (b->text() == QStringLiteral("シャッフル")) button5 = b;
  }
  ASSERT_NE(button5, nullptr);
  page.SetUpGame().PuzzleSolved = true;
  button5->click();
  EXPECT_FALSE(page.game().PuzzleSolved);
}

}  // namespace
