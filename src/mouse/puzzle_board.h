#pragma once
// The 4 × 4 board of the sliding puzzle. A value v of 0 … 15 is the piece cut
// from the picture at row v / 4, column v % 4, whose home is that cell; -1
// marks the gap. Exactly one cell is the gap.

#include <array>

namespace shurencho {

class PuzzleBoard final {
 public:
  static constexpr int kSize = 4;
  static constexpr int kGap = -1;

  // Every piece at home, no gap yet.
  void FillInOrder();
  int At(int row, int col) const { return m_cells[row][col]; }
  void Set(int row, int col, int value) { m_cells[row][col] = value; }
  // Exchanges two cells.
  void Swap(int row1, int col1, int row2, int col2);
  // True when the two cells are left/right or above/below neighbours.
  static bool Adjacent(int row1, int col1, int row2, int col2);

 private:
  std::array<std::array<int, kSize>, kSize> m_cells{};
};

}  // namespace shurencho
