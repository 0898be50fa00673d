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
    const QStringList cells = SplitCommaText(line);
    // A blank line stands for no row at all; skipping it cannot shift a map.
    if (cells.isEmpty()) continue;
    if (cells.size() < MazeMap::kColumnCount) {
      throw DataFileError(fileName, static_cast<int>(i) + 1,
                          QStringLiteral("迷路の行のマスが足りません（32 マス必要です）"));
    }
    MazeMap::Row& out = maze.maps[static_cast<size_t>(row / MazeMap::kRowCount)]
                                 [static_cast<size_t>(row % MazeMap::kRowCount)];
    for (int c = 0; c < MazeMap::kColumnCount; ++c) out[static_cast<size_t>(c)] = MazeCellCode(cells.at(c));
    ++row;
  }
  if (row < kDataLines) {
    throw DataFileError(
        fileName, 0, QStringLiteral("迷路の行が足りません（240 行必要です。%1 行しかありません）").arg(row));
  }
  return maze;
}

}  // namespace

int MazeCellCode(const QString& cell) {
  if (cell == QLatin1String("WL")) return kMazeWall;
  if (cell == QLatin1String("ST")) return kMazeStart;
  if (cell == QLatin1String("ED")) return kMazeGoal;
  return kMazeFloor;
}

MazeMap LoadMazeMap(const QString& path) { return MazeFromLines(ReadTextFileLines(path), path); }

MazeMap LoadMazeMapFromText(const QString& text, const QString& fileName) {
  return MazeFromLines(SplitTextLines(text), fileName);
}

}  // namespace shurencho
