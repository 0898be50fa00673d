#include "mouse/puzzle_board.h"

#include <cstdlib>
#include <utility>

namespace shurencho {

void PuzzleBoard::FillInOrder() {
  for (int r = 0; r < kSize; ++r) {
    for (int c = 0; c < kSize; ++c) m_cells[r][c] = kSize * r + c;
  }
}

void PuzzleBoard::Swap(int row1, int col1, int row2, int col2) {
  std::swap(m_cells[row1][col1], m_cells[row2][col2]);
}

bool PuzzleBoard::Adjacent(int row1, int col1, int row2, int col2) {
  return std::abs(row1 - row2) + std::abs(col1 - col2) == 1;
}

}  // namespace shurencho
