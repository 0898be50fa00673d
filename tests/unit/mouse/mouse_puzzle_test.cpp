#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "data/practice_data.h"
#include "mouse/puzzle_page.h"
#include "support/fake_platform.h"
#include "text/errors.h"

using namespace shurencho;

namespace {

class PuzzleTest : public ::testing::Test {
 protected:
  PuzzleTest() : page(platform) {}

  // A deal with the gap from (0, 0) ending at (1, 1): down, then right and
  // back 31 times, then right. (The fake answers 0 when its script runs out,
  // and an endless "left" from column 0 would never make a move.)
  void ScriptDeal() {
    platform.randoms.insert(platform.randoms.end(), {0, 0, 3});
    for (int i = 0; i < 31; ++i) platform.randoms.insert(platform.randoms.end(), {2, 0});
    platform.randoms.push_back(2);
  }
  // A board with every piece home but the gap at (row, col) next to its home.
  void OneMoveFromSolved(int homeRow, int homeCol, int row, int col) {
    page.SetUpGame().Board.FillInOrder();
    page.SetUpGame().Board.Set(homeRow, homeCol, page.SetUpGame().Board.At(row, col));
    page.SetUpGame().Board.Set(row, col, PuzzleBoard::kGap);
    page.DrawPuzzle();
    page.Image9 = page.Image10;
  }
  void DoubleClickAt(int x, int y) {
    platform.pointer[QStringLiteral("Image9")] = QPoint(x, y);
    page.Image9DblClick();
  }
  bool SameSquare(const QImage& a, QPoint at, const QImage& b, QPoint bt, int size) {
    return a.copy(QRect(at, QSize(size, size))) == b.copy(QRect(bt, QSize(size, size)));
  }
  QString WriteBitmap(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x % 256, y % 256, 77));
    }
    const QString path = dir.filePath(QStringLiteral("p%1x%2.bmp").arg(w).arg(h));
    EXPECT_TRUE(img.save(path, "BMP"));
    return path;
  }

  QTemporaryDir dir;
  AppSettings settings;
  PracticeData data;
  FakePlatform platform;
  PuzzlePage page;
};

TEST_F(PuzzleTest, ADealThatComesBackSolvedIsShuffledAgain) {
  // Gap at (0, 0); right and back 32 times comes back solved, so a second
  // round of 64 moves follows: down, right and back 31 times, right.
  platform.randoms = {0, 0};
  for (int i = 0; i < 32; ++i) platform.randoms.insert(platform.randoms.end(), {2, 0});
  platform.randoms.push_back(3);
  for (int i = 0; i < 31; ++i) platform.randoms.insert(platform.randoms.end(), {2, 0});
  platform.randoms.push_back(2);
  page.FormCreate();
  ASSERT_TRUE(platform.randoms.empty());
  EXPECT_EQ(platform.randomRanges.size(), 2u + 128u);
  EXPECT_EQ(platform.randomRanges[0], 1653);
  EXPECT_EQ(platform.randomRanges[1], 1653);
  EXPECT_EQ(platform.randomRanges[2], 1563);
  EXPECT_EQ(page.game().GapRow, 1);
  EXPECT_EQ(page.game().GapCol, 1);
  EXPECT_FALSE(page.game().PuzzleSolved);
  EXPECT_FALSE(page.DrawPuzzle());
}

TEST_F(PuzzleTest, MovesOffTheBoardAreDrawnAgainAndTheGapNeverComesFromTheLastRowOrColumn) {
  // Gap from draws 5 % 3 and 8 % 3: cell (2, 2), piece 10 taken out. Then
  // left and up are refused at the top-left corner and not counted.
  platform.randoms = {5, 8, 0, 0, 1, 1, 0, 1};
  for (int i = 0; i < 30; ++i) platform.randoms.insert(platform.randoms.end(), {2, 0});
  page.FormCreate();
  EXPECT_TRUE(platform.randoms.empty());
  EXPECT_EQ(platform.randomRanges.size(), 2u + 6u + 60u);
  EXPECT_EQ(page.game().GapRow, 0);
  EXPECT_EQ(page.game().GapCol, 0);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_NE(page.game().Board.At(r, c), 10);
  }
  EXPECT_EQ(page.game().Board.At(2, 2), 9);
  EXPECT_EQ(page.game().Board.At(1, 0), 0);
  EXPECT_TRUE(SameSquare(page.Image9, {0, 0}, page.Image12, {0, 0}, 64));
}

TEST_F(PuzzleTest, AGeneratorStuckOnOneNumberStillDealsAnUnsolvedBoard) {
  // Every draw 0: "left" from the top-left corner would be refused for ever.
  page.FormCreate();
  EXPECT_FALSE(page.game().PuzzleSolved);
  EXPECT_FALSE(page.DrawPuzzle());
  EXPECT_EQ(page.game().GapRow, 3);
  EXPECT_EQ(page.game().GapCol, 1);
}

TEST_F(PuzzleTest, OnlyTheFourNeighboursOfTheGapSlide) {
  ScriptDeal();
  page.FormCreate();
  OneMoveFromSolved(1, 1, 1, 2);  // gap at (1, 2)
  const QImage before = page.Image9;
  for (QPoint p : {QPoint(2 * 64 + 5, 64 + 5), QPoint(64 + 5, 5), QPoint(5, 64 + 5), QPoint(2 * 64 + 5, -10),
                   QPoint(256, 64 + 5), QPoint(3 * 64 + 5, 3 * 64 + 5)}) {
    DoubleClickAt(p.x(), p.y());
  }
  EXPECT_EQ(page.game().Board.At(1, 2), PuzzleBoard::kGap);
  EXPECT_EQ(page.Image9, before);
  EXPECT_EQ(platform.beeps, 0);

  DoubleClickAt(3 * 64 + 63, 64);  // right neighbour slides left into the gap
  EXPECT_EQ(page.game().Board.At(1, 2), 7);
  EXPECT_EQ(page.game().GapRow, 1);
  EXPECT_EQ(page.game().GapCol, 3);
  // The question mark follows the gap; the piece shows its own picture square.
  EXPECT_TRUE(SameSquare(page.Image9, {3 * 64, 64}, page.Image12, {0, 0}, 64));
  EXPECT_TRUE(SameSquare(page.Image9, {2 * 64, 64}, page.Image11, {3 * 64, 64}, 64));
}

TEST_F(PuzzleTest, SolvingShowsTheWholePictureAndLocksTheBoard) {
  ScriptDeal();
  page.FormCreate();
  OneMoveFromSolved(2, 1, 2, 2);
  DoubleClickAt(64 + 10, 2 * 64 + 10);
  EXPECT_TRUE(page.game().PuzzleSolved);
  EXPECT_EQ(page.Image9, page.Image11);
  EXPECT_EQ(platform.beeps, 0);

  DoubleClickAt(2 * 64 + 10, 2 * 64 + 10);
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(page.Image9, page.Image11);

  ScriptDeal();
  page.Button5Click();
  EXPECT_FALSE(page.game().PuzzleSolved);
  EXPECT_FALSE(page.DrawPuzzle());
}

TEST_F(PuzzleTest, ALargeBitmapIsCutAtItsTopLeftCorner) {
  ScriptDeal();
  page.FormCreate();
  ScriptDeal();
  const QString path = WriteBitmap(640, 480);
  platform.dialogAnswers.push_back(path);
  page.Button6Click();
  ASSERT_EQ(platform.dialogs.size(), 1u);
  EXPECT_EQ(platform.dialogs[0].filter, QStringLiteral("Bitmap(*.bmp)|*.bmp"));
  EXPECT_EQ(platform.dialogs[0].defaultExt, QStringLiteral("bmp"));
  EXPECT_EQ(platform.dialogs[0].initialDir, QStringLiteral("/opt/shurencho"));
  QImage expected = QImage(path).convertToFormat(QImage::Format_RGB32).copy(0, 0, 256, 256);
  EXPECT_EQ(page.Image11, expected);
}

TEST_F(PuzzleTest, ASmallBitmapLiesOnAButtonFaceGround) {
  page.ButtonFace = QColor(212, 208, 200);
  ScriptDeal();
  page.FormCreate();
  ScriptDeal();
  platform.dialogAnswers.push_back(WriteBitmap(100, 80));
  page.Button6Click();
  EXPECT_EQ(page.Image11.pixel(99, 79), qRgb(99, 79, 77));
  EXPECT_EQ(page.Image11.pixel(100, 79), qRgb(212, 208, 200));
  EXPECT_EQ(page.Image11.pixel(99, 80), qRgb(212, 208, 200));
  EXPECT_EQ(page.Image11.pixel(255, 255), qRgb(212, 208, 200));
  EXPECT_FALSE(page.game().PuzzleSolved);
}

TEST_F(PuzzleTest, ACancelledDialogOrAnUnreadableFileChangesNothing) {
  ScriptDeal();
  page.FormCreate();
  const QImage picture = page.Image11;
  const QImage board = page.Image9;
  platform.dialogAnswers.push_back(std::nullopt);
  page.Button6Click();
  EXPECT_EQ(page.Image11, picture);
  EXPECT_EQ(page.Image9, board);

  const QString bad = dir.filePath(QStringLiteral("not a picture.bmp"));
  QFile f(bad);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("BM this is not a bitmap");
  f.close();
  platform.dialogAnswers.push_back(bad);
  const size_t draws = platform.randomRanges.size();
  try {
    page.Button6Click();
    ADD_FAILURE() << "no error";
  } catch (const AppError& e) {
    EXPECT_TRUE(e.text().contains(bad)) << e.text().toStdString();
  }
  EXPECT_EQ(page.Image11, picture);
  EXPECT_EQ(page.Image9, board);
  EXPECT_EQ(platform.randomRanges.size(), draws);
}

}  // namespace
