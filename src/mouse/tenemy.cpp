#include "mouse/tenemy.h"

#include "platform/platform.h"

namespace shurencho {

namespace {
// Fixed bounds of the game's random draws; the draws are taken mod smaller
// numbers, so these only matter for reproducing a scripted sequence.
constexpr int kPlaceDraw = 1563;
constexpr int kWanderDraw = 1653;
}  // namespace

TENemy::TENemy() : MaxX(kFieldWidth - kPictureSize), MaxY(kFieldHeight - kPictureSize) {
  State = kOut;
  Width = kPictureSize;
  Height = kPictureSize;
}

void TENemy::Launch(Platform& platform, int stepX, int stepY, int speed) {
  X = platform.Random(kPlaceDraw) % (kFieldWidth - kPictureSize);
  Y = platform.Random(kPlaceDraw) % (kFieldHeight - kPictureSize);
  State = kInPlay;
  Pattern = kTargetPattern;
  StepX = stepX;
  StepY = stepY;
  Speed = speed;
  static constexpr std::uint8_t kByDraw[] = {kRight, kLeft, kUp, kDown, kWander};
  Direction = kByDraw[platform.Random(kPlaceDraw) % 5];
}

bool TENemy::Step(Platform& platform) {
  if (State == kInPlay) {
    switch (Direction) {
      case kLeft:
        X -= StepX * Speed;
        if (X < MinX) {
          X = MinX;
          Direction = kRight;
        }
        break;
      case kRight:
        X += StepX * Speed;
        if (X > MaxX) {
          X = MaxX;
          Direction = kLeft;
        }
        break;
      case kUp:
        Y -= StepY * Speed;
        if (Y < MinY) {
          Y = MinY;
          Direction = kDown;
        }
        break;
      case kDown:
        Y += StepY * Speed;
        if (Y > MaxY) {
          Y = MaxY;
          Direction = kUp;
        }
        break;
      case kWander: {
        const int dx = platform.Random(kWanderDraw) % 3 - 1;
        const int dy = platform.Random(kWanderDraw) % 3 - 1;
        const int k = platform.Random(kWanderDraw) % (Speed + 1);
        // Leaving one edge re-enters at the opposite one.
        X += dx * StepX * k;
        if (X < MinX) {
          X = MaxX;
        } else if (X > MaxX) {
          X = MinX;
        }
        Y += dy * StepY * k;
        if (Y < MinY) {
          Y = MaxY;
        } else if (Y > MaxY) {
          Y = MinY;
        }
        break;
      }
      default:
        break;
    }
  }
  if (State == kHit) State = kOut;
  return State == kInPlay;
}

}  // namespace shurencho
