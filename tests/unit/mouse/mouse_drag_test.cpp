#include <gtest/gtest.h>

#include "data/practice_data.h"
#include "mouse/drag_page.h"
#include "support/fake_platform.h"

using namespace shurencho;

namespace {

const QRgb kGreen = qRgb(0, 128, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);

class DragTest : public ::testing::Test {
 protected:
  DragTest() : page(platform) { page.FormCreate(); }

  TBall& Ball(int i) { return page.SetUpGame().Balls[static_cast<size_t>(i - 1)]; }
  // Moves ball i and redraws the back buffer as a drop would.
  void Put(int i, int x, int y) {
    Ball(i).X = x;
    Ball(i).Y = y;
    page.Image7 = page.Image8;
    page.DrawBalls();
  }
  void Press(int x, int y) {
    platform.pointer[QStringLiteral("Image6")] = QPoint(x, y);
    page.Image6MouseDown();
  }
  // A whole drag from the press point to a release over the field.
  void Drag(QPoint from, QPoint to) {
    Press(from.x(), from.y());
    page.Image6DragOver(to);
    page.Image6DragDrop(to);
    page.Image6EndDrag();
  }

  AppSettings settings;
  PracticeData data;
  FakePlatform platform;
  DragPage page;
};

TEST_F(DragTest, BallsArePlacedOnlyInTheFourCornerAreas) {
  // Rejected: above the basket (x in its columns), beside it (y in its
  // rows), the basket's own corners; taken: the first spot outside both.
  platform.randomRanges.clear();
  platform.randoms = {208, 10, 10, 156, 304, 228, 207, 229, 40, 50};
  TBall ball;
  ball.Place(platform);
  EXPECT_EQ(ball.X, 207);
  EXPECT_EQ(ball.Y, 229);
  EXPECT_EQ(platform.randomRanges.size(), 8u);
  EXPECT_EQ(ball.State, TBall::kInPlay);
  EXPECT_EQ(ball.MaxX, 496);
  EXPECT_EQ(ball.MaxY, 368);
}

TEST_F(DragTest, StageOneLiesOnAGreenFieldWithABlueBasket) {
  EXPECT_EQ(page.game().DragStage, 1);
  EXPECT_EQ(page.game().BallCount, 3);
  EXPECT_EQ(page.game().Balls.size(), 100u);
  EXPECT_EQ(page.Image6.pixel(208, 156), kBlue);
  EXPECT_EQ(page.Image6.pixel(303, 227), kBlue);
  EXPECT_EQ(page.Image6.pixel(304, 228), kGreen);
  EXPECT_EQ(page.Image6.pixel(207, 156), kGreen);
  // With no scripted numbers every ball lies at (0, 0): the resting ball is grey.
  EXPECT_EQ(page.Image6.pixel(8, 8), qRgb(192, 192, 192));
}

TEST_F(DragTest, APressPicksTheLowestNumberedBallUnderThePointerOrNone) {
  Put(1, 100, 100);
  Put(2, 90, 90);
  Put(3, 400, 300);
  Press(106, 106);
  EXPECT_TRUE(page.Dragging());
  EXPECT_EQ(page.game().DraggedBall, 1);
  page.Image6EndDrag();

  Press(90, 90);
  EXPECT_EQ(page.game().DraggedBall, 2);
  page.Image6EndDrag();

  Press(416, 316);  // the edge pixel counts
  EXPECT_EQ(page.game().DraggedBall, 3);
  page.Image6EndDrag();

  Press(417, 300);
  EXPECT_FALSE(page.Dragging());
  EXPECT_EQ(page.game().DraggedBall, -1);
}

TEST_F(DragTest, TheBallInTheHandStaysInsideTheFieldAndTheRestingOneStays) {
  Put(1, 20, 20);
  Put(2, 40, 300);
  Put(3, 450, 20);
  Press(25, 25);
  page.Image6DragOver(QPoint(600, 500));
  EXPECT_EQ(page.Image6.pixel(496 + 8, 368 + 8), kWhite);
  EXPECT_EQ(page.Image6.pixel(20 + 8, 20 + 8), qRgb(192, 192, 192));
  // The next move wipes the previous white ball.
  page.Image6DragOver(QPoint(-30, 100));
  EXPECT_EQ(page.Image6.pixel(496 + 8, 368 + 8), kGreen);
  EXPECT_EQ(page.Image6.pixel(0 + 8, 100 + 8), kWhite);
}

TEST_F(DragTest, DropsAtTheBasketEdgesCountButOnePixelLeftDoesNot) {
  Put(1, 208, 156);
  Put(2, 304, 228);
  Put(3, 20, 20);
  Drag({25, 25}, {207, 156});
  EXPECT_EQ(page.game().DragStage, 1);
  EXPECT_EQ(Ball(3).X, 207);

  Drag({210, 160}, {304, 228});  // ball 1 to the other corner: still all but ball 3
  EXPECT_EQ(page.game().DragStage, 1);
  EXPECT_FALSE(page.DrawBalls());

  Drag({207, 156}, {208, 156});
  EXPECT_EQ(page.game().DragStage, 2);
  EXPECT_EQ(page.game().BallCount, 6);
  // The next stage is placed anew: nothing is left in the basket.
  for (int i = 1; i <= 6; ++i) EXPECT_FALSE(page.BasketRect.HoldsCorner(Ball(i).X, Ball(i).Y)) << i;
}

TEST_F(DragTest, ADropIsStoredAsReportedEvenPartlyOutside) {
  Put(1, 20, 20);
  Drag({20, 20}, {511, 300});
  EXPECT_EQ(Ball(1).X, 511);
  EXPECT_EQ(Ball(1).Y, 300);
  EXPECT_EQ(page.Image6.pixel(511, 308), qRgb(0, 0, 0));  // the outline's left edge
}

TEST_F(DragTest, AReleaseOutsideTheFieldMovesNothing) {
  Put(1, 20, 20);
  Press(20, 20);
  page.Image6DragOver(QPoint(100, 100));
  page.Image6EndDrag();
  EXPECT_EQ(Ball(1).X, 20);
  EXPECT_EQ(page.Image6.pixel(100 + 8, 100 + 8), kGreen);
  EXPECT_FALSE(page.Dragging());
}

TEST_F(DragTest, AfterStageTenEveryStageIsStageTen) {
  page.SetUpGame().DragStage = 10;
  page.SetUpGame().BallCount = 100;
  for (TBall& b : page.SetUpGame().Balls) {
    b.X = 250;
    b.Y = 200;
  }
  Drag({250, 200}, {251, 201});
  EXPECT_EQ(page.game().DragStage, 10);
  EXPECT_EQ(page.game().BallCount, 100);
}

}  // namespace
