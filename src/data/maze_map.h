#pragma once
// The ten mazes of the pointing page, read from the map file at start-up.

#include <QString>
#include <array>
#include <cstdint>

namespace shurencho {

inline constexpr int kMazeWall = 1;
inline constexpr int kMazeFloor = 0;
inline constexpr int kMazeStart = -1;
inline constexpr int kMazeGoal = -2;

struct MazeMap {
  static constexpr int kMapCount = 10;
  static constexpr int kRowCount = 24;
  static constexpr int kColumnCount = 32;
  // A cell is one of the four codes above, a byte each: the ten maps take 7.5 KB.
  using Row = std::array<std::int8_t, kColumnCount>;
  using Grid = std::array<Row, kRowCount>;

  std::array<Grid, kMapCount> maps{};  // [map][row][column]; zero (floor) until loaded
};

// "WL" wall, "ST" start, "ED" goal; anything else, in any other case, floor.
int MazeCellCode(QStringView cell);

// Reads 240 data lines (map by map, row by row) of at least 32 comma-text
// cells; lines starting with "/" are comments and blank lines are skipped
// wherever they stand, cells past the 32nd and lines past the 240th data
// line are not read. Throws DataFileError naming the file, and the line
// where it applies, when the file cannot be read, a row has fewer than 32
// cells, or the file ends before its 240th data line.
MazeMap LoadMazeMap(const QString& path);
MazeMap LoadMazeMapFromText(const QString& text, const QString& fileName);

}  // namespace shurencho
