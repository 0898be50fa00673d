#include <gtest/gtest.h>

#include "data/practice_data.h"
#include "history/history_recorder.h"
#include "history_fixture.h"
#include "mouse/maze_page.h"
#include "support/fake_platform.h"

using namespace shurencho;

namespace {

// Map m: walls round the edge, the start at (1, 1 + m) so each map is told
// apart by its start point, the goal at (22, 30).
PracticeData MazeData() {
  PracticeData data;
  for (int m = 0; m < MazeMap::kMapCount; ++m) {
    MazeMap::Grid& g = data.mazeMap.maps[static_cast<size_t>(m)];
    for (int r = 0; r < MazeMap::kRowCount; ++r) {
      for (int c = 0; c < MazeMap::kColumnCount; ++c) {
        const bool edge = r == 0 || c == 0 || r == MazeMap::kRowCount - 1 || c == MazeMap::kColumnCount - 1;
        g[static_cast<size_t>(r)][static_cast<size_t>(c)] = edge ? kMazeWall : kMazeFloor;
      }
    }
    g[1][static_cast<size_t>(1 + m)] = kMazeStart;
    g[22][30] = kMazeGoal;
  }
  return data;
}

QPoint StartOf(int map) { return {16 * (1 + map) + 8, 16 + 8}; }

class MazeTest : public ::testing::Test {
 protected:
  MazeTest() : data(MazeData()), page(settings, data, platform) {}

  void ClickAt(QPoint p) {
    platform.pointer[QStringLiteral("Image1")] = p;
    page.Image1Click();
  }
  void ClickGoal() { ClickAt({30 * 16 + 3, 22 * 16 + 15}); }

  AppSettings settings;
  PracticeData data;
  FakePlatform platform;
  MazePage page;
};

TEST_F(MazeTest, TheTilesArePaintedInTheirColours) {
  page.FormCreate();
  const QImage& img = page.Image1;
  ASSERT_EQ(img.size(), QSize(512, 384));
  EXPECT_EQ(img.pixel(8, 8), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(16 * 5 + 8, 16 * 5 + 8), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(StartOf(0)), qRgb(0, 255, 255));
  EXPECT_EQ(img.pixel(16 * 30 + 15, 16 * 22), qRgb(255, 0, 0));
  EXPECT_EQ(page.MazeStartPoint(), StartOf(0));
  EXPECT_EQ(page.game().MazeGrid[22][30], kMazeGoal);
}

TEST_F(MazeTest, NoStartMeansTheCentreAndSeveralStartsMeanTheLast) {
  data.mazeMap.maps[0][1][1] = kMazeFloor;
  page.FormCreate();
  EXPECT_EQ(page.MazeStartPoint(), QPoint(256, 192));

  data.mazeMap.maps[0][1][1] = kMazeStart;
  data.mazeMap.maps[0][20][3] = kMazeStart;
  data.mazeMap.maps[0][20][2] = kMazeStart;
  page.FormCreate();
  EXPECT_EQ(page.MazeStartPoint(), QPoint(16 * 3 + 8, 16 * 20 + 8));
}

TEST_F(MazeTest, TouchingAWallBeepsWarnsAndReturnsToTheStart) {
  page.FormCreate();
  page.Image1MouseMove(false, 100, 3);
  EXPECT_EQ(platform.beeps, 1);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].kind, FakePlatform::Box::Information);
  EXPECT_EQ(platform.boxes[0].text, QStringLiteral("そこはダメ"));
  ASSERT_EQ(platform.pointerMoves.size(), 1u);
  EXPECT_EQ(platform.pointerMoves[0], std::make_pair(QStringLiteral("Image1"), StartOf(0)));

  // Floor, Shift held over a wall, and points outside the grid whose
  // truncated cell would be a wall: no test.
  page.Image1MouseMove(false, 100, 100);
  page.Image1MouseMove(true, 100, 3);
  page.Image1MouseMove(false, -5, 100);
  page.Image1MouseMove(false, 100, 384);
  page.Image1MouseMove(false, 512, 100);
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(platform.boxes.size(), 1u);
}

TEST_F(MazeTest, ClicksOnFloorOrShiftedWallShowTheHelpAndReturnToTheStart) {
  page.FormCreate();
  ClickAt({200, 200});
  ClickAt({0, 0});
  ASSERT_EQ(platform.boxes.size(), 2u);
  EXPECT_EQ(platform.boxes[1].text, MazePage::kHelpMessage);
  EXPECT_EQ(MazePage::kHelpMessage.count(QStringLiteral("\r\n")), 2);
  EXPECT_EQ(platform.pointerMoves.size(), 2u);
  EXPECT_EQ(platform.pointerMoves[1].second, StartOf(0));
  EXPECT_EQ(platform.beeps, 0);
}

TEST_F(MazeTest, AClickOnTheStartLeavesTheMazeSilently) {
  page.FormCreate();
  ClickAt(StartOf(0));
  EXPECT_TRUE(platform.boxes.empty());
  ASSERT_EQ(platform.pointerMoves.size(), 1u);
  EXPECT_EQ(platform.pointerMoves[0], std::make_pair(QStringLiteral("PageControl1"), QPoint(537 + 8, 0)));
}

TEST_F(MazeTest, GoalsWalkTheMapsInOrderThenDrawAmongTheLastFiveWithoutRepeat) {
  page.FormCreate();
  for (int stage = 1; stage <= 9; ++stage) {
    ClickGoal();
    EXPECT_EQ(settings.M1CourseNo, stage);
    EXPECT_EQ(page.game().MazeIndex, stage);
    EXPECT_EQ(platform.pointerMoves.back().second, StartOf(stage));
  }
  EXPECT_TRUE(platform.randomRanges.empty());

  // Stage 10 after map 9: a draw of map 9 again is drawn once more.
  platform.randoms = {4, 0};
  ClickGoal();
  EXPECT_EQ(settings.M1CourseNo, 10);
  EXPECT_EQ(page.game().MazeIndex, 5);
  EXPECT_EQ(platform.randomRanges, (std::vector<int>{156, 156}));
  EXPECT_EQ(page.MazeStartPoint(), StartOf(5));

  platform.randoms = {155, 5, 7};  // 155 % 5 + 5 = 5 repeats; 5 % 5 + 5 = 5 again; then 7
  ClickGoal();
  EXPECT_EQ(page.game().MazeIndex, 7);
  EXPECT_EQ(settings.M1CourseNo, 11);
}

TEST_F(MazeTest, AStoredStageOfTenOrMoreDrawsAtOnceAndANegativeOneStartsAtZero) {
  settings.M1CourseNo = 25;
  platform.randoms = {3};
  page.FormCreate();
  EXPECT_EQ(page.game().MazeIndex, 8);
  EXPECT_EQ(platform.randomRanges.size(), 1u);

  settings.M1CourseNo = -4;
  page.FormCreate();
  EXPECT_EQ(page.game().MazeIndex, 0);
  EXPECT_EQ(settings.M1CourseNo, 0);
  ClickGoal();
  EXPECT_EQ(page.game().MazeIndex, 1);
}

TEST_F(MazeTest, WhereThePointerCannotBeMovedNothingCountsUntilItIsBackOnTheStart) {
  HistoryRecorder recorder(platform);
  MemoryStore store;
  recorder.Attach(&store);
  page.SetHistory(&recorder);
  platform.pointerFixed = true;
  page.FormCreate();
  const QPoint ring(StartOf(0).x() - 10, StartOf(0).y());  // left of the start cell, on the edge wall
  const QPoint back = StartOf(0) + QPoint(7, 7);           // the start cell's last pixel

  // The page is shown: the start is ringed and awaited; walls, the goal and
  // the clock wait for it.
  page.ReturnToStart();
  EXPECT_TRUE(page.AwaitingReturn());
  EXPECT_EQ(page.Image1.pixel(ring), qRgb(255, 128, 0));
  EXPECT_EQ(page.Image1.pixel(back), qRgb(0, 255, 255));
  page.Image1MouseMove(false, 100, 3);
  ClickGoal();
  EXPECT_EQ(platform.beeps, 0);
  EXPECT_TRUE(platform.boxes.empty());
  EXPECT_EQ(settings.M1CourseNo, 0);
  platform.Advance(100);

  page.Image1MouseMove(false, back.x(), back.y());
  EXPECT_FALSE(page.AwaitingReturn());
  EXPECT_EQ(page.Image1.pixel(ring), qRgb(0, 0, 0));

  // A wall: beep and box as ever, then the start is awaited again.
  page.Image1MouseMove(false, 100, 100);
  platform.Advance(30);
  page.Image1MouseMove(false, 100, 3);
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(platform.boxes.size(), 1u);
  EXPECT_TRUE(page.AwaitingReturn());
  page.Image1MouseMove(false, 100, 3);
  EXPECT_EQ(platform.beeps, 1);

  page.Image1MouseMove(false, back.x(), back.y());
  platform.Advance(7);
  ClickGoal();
  EXPECT_EQ(settings.M1CourseNo, 1);
  ASSERT_EQ(store.All().mouse.size(), 1);
  EXPECT_EQ(store.All().mouse[0].misses, 1);
  EXPECT_EQ(store.All().mouse[0].seconds, 37.0);
  // The next maze awaits the pointer on its own start.
  EXPECT_TRUE(page.AwaitingReturn());
  EXPECT_EQ(page.StartCell(), QRect(32, 16, 16, 16));
  EXPECT_TRUE(platform.pointerMoves.empty());
}

}  // namespace
