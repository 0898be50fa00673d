#pragma once
// One target of the click game: launched at a random place and moved one
// step per tick, bouncing off the field's edges or wandering across them.

#include "mouse/mouse_field.h"
#include "mouse/tptn.h"

namespace shurencho {

class Platform;

class TENemy final : public Tptn {
 public:
  static constexpr int kFieldWidth = mouse_field::kWidth;
  static constexpr int kFieldHeight = mouse_field::kHeight;
  static constexpr int kPictureSize = mouse_field::kSprite;

  TENemy();

  // A random place and direction; in play, showing the target.
  void Launch(Platform& platform, int stepX, int stepY, int speed);
  // One tick: moves a target in play, takes a hit one out of play. True
  // when the target is (still) in play and so has to be drawn.
  bool Step(Platform& platform);

  int MinX = 0;
  int MinY = 0;
  int MaxX;
  int MaxY;
  int StepX = kPictureSize;
  int StepY = kPictureSize;
  int Speed = 0;  // step units per tick, 0 … 4
};

}  // namespace shurencho
