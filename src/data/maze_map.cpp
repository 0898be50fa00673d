#include "data/maze_map.h"

#include "text/comma_text.h"
#include "text/errors.h"
#include "text/text_file.h"

namespace shurencho {

namespace {

MazeMap MazeFromLines(const QStringList& lines, const QString& fileName) {
  MazeMap maze;
  constexpr int kDataLines = MazeMap::kMapCount * MazeMap::kRowCount;
  int row = 0;
  for (qsizetype i = 0; i < lines.size() && row < kDataLines; ++i) {
    const QString& line = lines.at(i);
    if (line.startsWith(QLatin1Char('/'))) continue;
    // Cells are read straight from the line: the map has thousands of them.
    MazeMap::Row cells{};
    int count = 0;
    ForEachCommaField(line, [&](QStringView cell) {
      if (count < MazeMap::kColumnCount)
        cells[static_cast<size_t>(count)] = static_cast<std::int8_t>(MazeCellCode(cell));
      ++count;
    });
    // A blank line stands for no row at all; skipping it cannot shift a map.
    if (count == 0) continue;
    if (count < MazeMap::kColumnCount) {
      throw DataFileError(fileName, static_cast<int>(i) + 1,
                          QStringLiteral("迷路の行のマスが足りません（32 マス必要です）"));
    }
    maze.maps[static_cast<size_t>(row / MazeMap::kRowCount)][static_cast<size_t>(row % MazeMap::kRowCount)] =
        cells;
    ++row;
  }
  if (row < kDataLines) {
    throw DataFileError(
        fileName, 0, QStringLiteral("迷路の行が足りません（240 行必要です。%1 行しかありません）").arg(row));
  }
  return maze;
}

}  // namespace

int MazeCellCode(QStringView cell) {
  // Compared by hand: the map has thousands of cells, most of them floor.
  if (cell.size() != 2) return kMazeFloor;
  const char16_t a = cell[0].unicode();
  const char16_t b = cell[1].unicode();
  if (a == u'W' && b == u'L') return kMazeWall;
  if (a == u'S' && b == u'T') return kMazeStart;
  if (a == u'E' && b == u'D') return kMazeGoal;
  return kMazeFloor;
}

MazeMap LoadMazeMap(const QString& path) { return MazeFromLines(ReadTextFileLines(path), path); }

MazeMap LoadMazeMapFromText(const QString& text, const QString& fileName) {
  return MazeFromLines(SplitTextLines(text), fileName);
}

}  // namespace shurencho
