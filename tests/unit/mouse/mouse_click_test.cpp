#include <gtest/gtest.h>

#include <algorithm>

#include "data/practice_data.h"
#include "mouse/click_page.h"
#include "support/fake_platform.h"

using namespace shurencho;

namespace {

const QRgb kAqua = qRgb(0, 255, 255);

class ClickTest : public ::testing::Test {
 protected:
  ClickTest() : page(platform) {}

  // Puts target i (1-based) in play at (x, y), standing still.
  TENemy& Put(int i, int x, int y) {
    TENemy& t = page.SetUpGame().Targets[static_cast<size_t>(i - 1)];
    t.State = Tptn::kInPlay;
    t.Pattern = Tptn::kTargetPattern;
    t.X = x;
    t.Y = y;
    t.Speed = 0;
    t.Direction = Tptn::kRight;
    return t;
  }
  void ClickAt(int x, int y) {
    platform.pointer[QStringLiteral("Image3")] = QPoint(x, y);
    page.Image3Click();
  }

  AppSettings settings;
  PracticeData data;
  FakePlatform platform;
  ClickPage page;
};

TEST_F(ClickTest, FirstStageDrawsSpeedPlaceAndDirectionInThatOrder) {
  // Target 1: speed 7 % 5, X 500 % 496, Y 370 % 368, direction 4 (wander).
  // Target 2: speed 3, X 495, Y 367, direction 1 (left).
  platform.randoms = {7, 500, 370, 4, 3, 495, 367, 1};
  page.FormCreate();

  EXPECT_EQ(page.game().ClickStage, 1);
  EXPECT_EQ(page.game().TargetCount, 5);
  EXPECT_EQ(page.game().Targets.size(), 128u);
  EXPECT_EQ(platform.randomRanges, std::vector<int>(20, 1563));
  const TENemy& t1 = page.game().Targets[0];
  EXPECT_EQ(t1.Speed, 2);
  EXPECT_EQ(t1.X, 4);
  EXPECT_EQ(t1.Y, 2);
  EXPECT_EQ(t1.Direction, Tptn::kWander);
  EXPECT_EQ(t1.State, Tptn::kInPlay);
  const TENemy& t2 = page.game().Targets[1];
  EXPECT_EQ(t2.Speed, 3);
  EXPECT_EQ(t2.X, 495);
  EXPECT_EQ(t2.Y, 367);
  EXPECT_EQ(t2.Direction, Tptn::kLeft);
  EXPECT_EQ(t2.MaxX, 496);
  EXPECT_EQ(t2.MaxY, 368);
  // Drawn on the visible field: the target's red centre, aqua ground around it.
  EXPECT_EQ(page.Image3.pixel(t2.X + 8, t2.Y + 8), qRgb(255, 0, 0));
  EXPECT_EQ(page.Image3.pixel(t2.X, t2.Y), kAqua);
  EXPECT_EQ(page.Image3.pixel(300, 200), kAqua);
}

TEST_F(ClickTest, BouncingTargetsStopAtTheEdgeAndTurn) {
  struct Case {
    std::uint8_t direction;
    int x, y, speed;
    int endX, endY;
    std::uint8_t endDirection;
  };
  const Case cases[] = {
      {Tptn::kRight, 480, 0, 4, 496, 0, Tptn::kLeft},  {Tptn::kLeft, 3, 0, 2, 0, 0, Tptn::kRight},
      {Tptn::kUp, 0, 10, 1, 0, 0, Tptn::kDown},        {Tptn::kDown, 0, 360, 1, 0, 368, Tptn::kUp},
      {Tptn::kRight, 400, 0, 1, 416, 0, Tptn::kRight},
  };
  for (const Case& c : cases) {
    TENemy t;
    t.State = Tptn::kInPlay;
    t.Direction = c.direction;
    t.X = c.x;
    t.Y = c.y;
    t.Speed = c.speed;
    EXPECT_TRUE(t.Step(platform));
    EXPECT_EQ(t.X, c.endX) << int(c.direction);
    EXPECT_EQ(t.Y, c.endY) << int(c.direction);
    EXPECT_EQ(t.Direction, c.endDirection) << int(c.direction);
  }
  EXPECT_TRUE(platform.randomRanges.empty());
}

TEST_F(ClickTest, SpeedZeroNeverMovesWhateverItsDirection) {
  for (std::uint8_t d = Tptn::kLeft; d <= Tptn::kWander; ++d) {
    TENemy t;
    t.State = Tptn::kInPlay;
    t.Direction = d;
    t.X = 100;
    t.Y = 50;
    platform.randoms = {0, 2, 1};  // a wander draw left and down
    t.Step(platform);
    EXPECT_EQ(t.X, 100) << int(d);
    EXPECT_EQ(t.Y, 50) << int(d);
  }
}

TEST_F(ClickTest, WanderingTargetsReenterAtTheOppositeEdge) {
  TENemy t;
  t.State = Tptn::kInPlay;
  t.Direction = Tptn::kWander;
  t.Speed = 2;
  t.X = 10;
  t.Y = 360;
  // dx = 0 - 1, dy = 2 - 1, k = 2 % 3: two steps left and down.
  platform.randoms = {0, 2, 2};
  EXPECT_TRUE(t.Step(platform));
  EXPECT_EQ(t.X, 496);
  EXPECT_EQ(t.Y, 0);
  EXPECT_EQ(platform.randomRanges, (std::vector<int>{1653, 1653, 1653}));

  // Right and up past the other edges.
  t.X = 490;
  t.Y = 5;
  platform.randoms = {2, 0, 1};
  t.Step(platform);
  EXPECT_EQ(t.X, 0);
  EXPECT_EQ(t.Y, 368);
}

TEST_F(ClickTest, AClickHitsOnlyTheLowestNumberedTargetIncludingTheEdgePixel) {
  page.FormCreate();
  for (int i = 1; i <= page.game().TargetCount; ++i) Put(i, 400, 300);
  Put(2, 100, 100);
  Put(3, 108, 108);

  ClickAt(116, 116);  // target 2's bottom-right edge pixel; target 3 lies under it too
  EXPECT_EQ(page.game().Targets[1].State, Tptn::kHit);
  EXPECT_EQ(page.game().Targets[1].Pattern, Tptn::kHitPattern);
  EXPECT_EQ(page.game().Targets[2].State, Tptn::kInPlay);
  // The cross shows at once, the target still where it was.
  EXPECT_EQ(page.Image3.pixel(100 + 8, 100 + 2), qRgb(0, 255, 0));

  ClickAt(116, 116);  // target 2 already shows the cross: the next one under the pointer
  EXPECT_EQ(page.game().Targets[2].State, Tptn::kHit);

  ClickAt(401 + 16, 300);  // one pixel right of the edge: nothing
  ClickAt(50, 50);
  for (int i : {1, 4, 5}) EXPECT_EQ(page.game().Targets[static_cast<size_t>(i - 1)].State, Tptn::kInPlay);
}

TEST_F(ClickTest, AHitTargetLeavesAtTheNextTickAndTheLastStartsTheNextStage) {
  page.FormCreate();
  for (int i = 1; i <= 5; ++i) Put(i, 20 * i, 40);
  ClickAt(20, 40);
  page.Timer1Timer();
  EXPECT_EQ(page.game().Targets[0].State, Tptn::kOut);
  EXPECT_EQ(page.Image3.pixel(20 + 8, 40 + 8), kAqua);
  EXPECT_EQ(page.Image3.pixel(40 + 8, 40 + 8), qRgb(255, 0, 0));
  EXPECT_EQ(page.game().ClickStage, 1);

  for (int i = 2; i <= 5; ++i) ClickAt(20 * i, 40);
  platform.randomRanges.clear();
  page.Timer1Timer();
  EXPECT_EQ(page.game().ClickStage, 2);
  EXPECT_EQ(page.game().TargetCount, 10);
  EXPECT_EQ(platform.randomRanges.size(), 40u);  // the launch of stage 2, in that tick
  EXPECT_TRUE(std::all_of(page.game().Targets.begin(), page.game().Targets.begin() + 10,
                          [](const TENemy& t) { return t.State == Tptn::kInPlay; }));
}

TEST_F(ClickTest, StageTenRepeatsWithAllTargets) {
  page.FormCreate();
  page.SetUpGame().ClickStage = 10;
  for (TENemy& t : page.SetUpGame().Targets) t.State = Tptn::kOut;
  page.Timer1Timer();
  EXPECT_EQ(page.game().ClickStage, 10);
  EXPECT_EQ(page.game().TargetCount, 128);
  EXPECT_EQ(page.game().Targets[127].State, Tptn::kInPlay);
}

}  // namespace
