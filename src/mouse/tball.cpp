#include "mouse/tball.h"

#include "mouse/basket.h"
#include "platform/platform.h"

namespace shurencho {

namespace {
constexpr int kPlaceDraw = 1563;
}  // namespace

void TBall::Place(Platform& platform) {
  do {
    X = platform.Random(kPlaceDraw) % (kFieldWidth - kPictureSize);
    Y = platform.Random(kPlaceDraw) % (kFieldHeight - kPictureSize);
  } while (!((X < kBasket.Left || X > kBasket.Right) && (Y < kBasket.Top || Y > kBasket.Bottom)));
  State = kInPlay;
  Pattern = kRestingPattern;
  Width = kPictureSize;
  Height = kPictureSize;
  MinX = 0;
  MinY = 0;
  MaxX = kFieldWidth - Width;
  MaxY = kFieldHeight - Height;
}

}  // namespace shurencho
