#pragma once
// The drag game's basket in the middle of the field.

#include <QRect>

namespace shurencho {

struct BasketBounds {
  int Left;
  int Top;
  int Right;   // first column right of the painted basket
  int Bottom;  // first row below it

  // The painted area (Right and Bottom are outside it).
  QRect Painted() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
  // A ball lies in the basket when its top-left corner does, the right and
  // bottom edges included.
  bool HoldsCorner(int x, int y) const { return Left <= x && x <= Right && Top <= y && y <= Bottom; }
};

// 96 × 72 pixels centred on the field's centre (256, 192).
inline constexpr BasketBounds kBasket{208, 156, 304, 228};

}  // namespace shurencho
