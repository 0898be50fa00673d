#pragma once
// What the click and drag games share: the playing field they draw on, the
// size of their sprites, and the hit test of a sprite under the pointer.

#include <QPoint>

namespace shurencho {

namespace mouse_field {

inline constexpr int kWidth = 512;  // field pixels
inline constexpr int kHeight = 384;
inline constexpr int kSprite = 16;  // a target's or a ball's picture, square

// Whether the pointer is on the sprite; its right and bottom edges count too.
template <typename Sprite>
bool Covers(const Sprite& s, QPoint p) {
  return s.X <= p.x() && p.x() <= s.X + s.Width && s.Y <= p.y() && p.y() <= s.Y + s.Height;
}

}  // namespace mouse_field

}  // namespace shurencho
