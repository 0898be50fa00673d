// Feeds arbitrary bytes to the maze loader as a map file.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/maze_map.h"
#include "text/errors.h"
#include "text/text_file.h"

using namespace shurencho;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text =
      DecodeCp932(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  MazeMap maze;
  try {
    maze = LoadMazeMapFromText(text, QStringLiteral("fuzz.dat"));
  } catch (const DataFileError&) {
    return 0;
  }
  for (const MazeMap::Grid& grid : maze.maps) {
    for (const MazeMap::Row& row : grid) {
      for (int code : row) {
        if (code != kMazeWall && code != kMazeFloor && code != kMazeStart && code != kMazeGoal) std::abort();
      }
    }
  }
  return 0;
}
