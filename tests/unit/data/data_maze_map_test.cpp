#include <gtest/gtest.h>

#include <QStringList>

#include "data/maze_map.h"
#include "text/errors.h"

using namespace shurencho;

namespace {

const QString kFile = QStringLiteral("m.dat");

// 240 rows of 32 cells: walls all round, the start at the top left and the
// goal at the bottom right of every map.
QStringList MazeRows() {
  QStringList rows;
  for (int m = 0; m < MazeMap::kMapCount; ++m) {
    for (int r = 0; r < MazeMap::kRowCount; ++r) {
      QStringList cells;
      for (int c = 0; c < MazeMap::kColumnCount; ++c) {
        const bool border = r == 0 || r == 23 || c == 0 || c == 31;
        cells.append(border ? "WL" : (r == 1 && c == 1) ? "ST" : (r == 22 && c == 30) ? "ED" : "GR");
      }
      rows.append(cells.join(QLatin1Char(',')));
    }
  }
  return rows;
}

QString Text(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"); }

MazeMap Load(const QStringList& lines) { return LoadMazeMapFromText(Text(lines), kFile); }

int FailingLine(const QStringList& lines) {
  try {
    Load(lines);
  } catch (const DataFileError& e) {
    EXPECT_EQ(e.file(), kFile);
    return e.line();
  }
  return -1;
}

bool SameMaze(const MazeMap& a, const MazeMap& b) { return a.maps == b.maps; }

}  // namespace

TEST(DataMazeMap, CellCodesMapByMapRowByRow) {
  QStringList rows = MazeRows();
  rows[24 * 9 + 23] = rows[24 * 9 + 23].replace(0, 2, QStringLiteral("GR"));  // last map, last row, column 0
  const MazeMap maze = Load(rows);
  EXPECT_EQ(maze.maps[0][0][0], kMazeWall);
  EXPECT_EQ(maze.maps[0][1][1], kMazeStart);
  EXPECT_EQ(maze.maps[4][22][30], kMazeGoal);
  EXPECT_EQ(maze.maps[4][5][5], kMazeFloor);
  EXPECT_EQ(maze.maps[9][23][0], kMazeFloor);
  EXPECT_EQ(maze.maps[9][23][1], kMazeWall);
}

TEST(DataMazeMap, CommentLinesAnywhereChangeNothing) {
  const MazeMap plain = Load(MazeRows());
  QStringList commented;
  commented << QStringLiteral("/ head");
  const QStringList rows = MazeRows();
  for (int i = 0; i < rows.size(); ++i) {
    if (i % 24 == 0) commented << QStringLiteral("/ map");
    if (i % 24 == 7) commented << QStringLiteral("/ inside, WL,WL") << QString();  // blank lines too
    commented << rows.at(i);
  }
  EXPECT_TRUE(SameMaze(Load(commented), plain));
}

TEST(DataMazeMap, OnlyExactUpperCaseCodesCount) {
  QStringList rows = MazeRows();
  rows[1] = QStringLiteral("wl,st,\"ST\",Wl,,x,ED ,  GR , WL WL") + QStringLiteral(",GR").repeated(23);
  const MazeMap maze = Load(rows);
  const int expected[10] = {kMazeFloor, kMazeFloor, kMazeStart, kMazeFloor, kMazeFloor,
                            kMazeFloor, kMazeGoal,  kMazeFloor, kMazeWall,  kMazeWall};
  for (int c = 0; c < 10; ++c) EXPECT_EQ(maze.maps[0][1][c], expected[c]) << "column " << c;
}

TEST(DataMazeMap, ExtraCellsAndLinesAfterTheLastRowAreNotRead) {
  QStringList rows = MazeRows();
  rows[2] += QStringLiteral(",ST,ED,WL");
  rows << QStringLiteral("garbage") << QString() << QStringLiteral("\"");
  const MazeMap maze = Load(rows);
  EXPECT_EQ(maze.maps[0][2][31], kMazeWall);
  EXPECT_TRUE(SameMaze(maze, Load(MazeRows())));
}

TEST(DataMazeMap, RefusesShortRowsAndAnEarlyEnd) {
  QStringList shortRow = MazeRows();
  shortRow[30] = QStringLiteral("WL").repeated(31).replace(QStringLiteral("LW"), QStringLiteral("L,W"));
  shortRow.prepend(QStringLiteral("/ c"));
  EXPECT_EQ(FailingLine(shortRow), 32);  // 31 cells on file line 32

  // A blank and then "/" is a data line, not a comment.
  QStringList notComment = MazeRows();
  notComment.insert(3, QStringLiteral(" / note"));
  EXPECT_EQ(FailingLine(notComment), 4);

  QStringList early = MazeRows();
  early.removeLast();
  EXPECT_EQ(FailingLine(early), 0);
  EXPECT_EQ(FailingLine({}), 0);
}
