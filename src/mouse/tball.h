#pragma once
// One ball of the drag game.

#include <cstdint>

#include "mouse/mouse_field.h"

namespace shurencho {

class Platform;

class TBall final {
 public:
  static constexpr int kFieldWidth = mouse_field::kWidth;
  static constexpr int kFieldHeight = mouse_field::kHeight;
  static constexpr int kPictureSize = mouse_field::kSprite;
  // State values.
  static constexpr std::uint8_t kOut = 0;
  static constexpr std::uint8_t kInPlay = 1;
  // Pattern values that draw something: the resting ball, the ball in the hand.
  static constexpr int kRestingPattern = 1;
  static constexpr int kHeldPattern = 10;

  // Puts the ball in play at a random place in one of the four corner areas
  // of the field: never beside, above or below the basket.
  void Place(Platform& platform);

  std::uint8_t State = kOut;
  int X = 0;  // top-left corner in field pixels
  int Y = 0;
  int Width = kPictureSize;
  int Height = kPictureSize;
  int Pattern = kRestingPattern;
  // The range the ball in the hand is held to while it follows the pointer.
  int MinX = 0;
  int MinY = 0;
  int MaxX = 0;
  int MaxY = 0;
};

}  // namespace shurencho
