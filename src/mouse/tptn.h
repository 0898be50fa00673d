#pragma once
// The base sprite record of the click game: where a picture stands and which.

#include <cstdint>

#include "mouse/mouse_field.h"

namespace shurencho {

class Tptn {
 public:
  // Direction values.
  static constexpr std::uint8_t kLeft = 0;
  static constexpr std::uint8_t kRight = 1;
  static constexpr std::uint8_t kUp = 2;
  static constexpr std::uint8_t kDown = 3;
  static constexpr std::uint8_t kWander = 4;
  // State values.
  static constexpr std::uint8_t kOut = 0;
  static constexpr std::uint8_t kInPlay = 1;
  static constexpr std::uint8_t kHit = 2;
  // Pattern values that draw something.
  static constexpr int kTargetPattern = 1;
  static constexpr int kHitPattern = 10;

  std::uint8_t State = kOut;
  int X = 0;  // top-left corner in field pixels
  int Y = 0;
  int Width = mouse_field::kSprite;
  int Height = mouse_field::kSprite;
  std::uint8_t Direction = kRight;
  int Pattern = kTargetPattern;
};

}  // namespace shurencho
