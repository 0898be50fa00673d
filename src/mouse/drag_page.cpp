#include "mouse/drag_page.h"

#include <algorithm>

#include "history/history_recorder.h"
#include "platform/control_ids.h"

namespace shurencho {

namespace {
const QColor kGreen(0, 128, 0);
const QColor kBlue(0, 0, 255);
}  // namespace

DragPage::DragPage(Platform& platform) : m_platform(platform) {
  const QImage strip = LoadPicture("drag_sprites.png");
  ImageList2 = {StripCell(strip, 0, TBall::kPictureSize), StripCell(strip, 1, TBall::kPictureSize)};
}

void DragPage::FormCreate() {
  Image6 = SolidImage(TBall::kFieldWidth, TBall::kFieldHeight, ButtonFace);
  Image7 = SolidImage(TBall::kFieldWidth, TBall::kFieldHeight, ButtonFace);
  Image8 = SolidImage(TBall::kFieldWidth, TBall::kFieldHeight, kGreen);
  BasketRect = kBasket;
  FillRect(Image8, BasketRect.Painted(), kBlue);
  Image7 = Image8;
  m_game.Balls.assign(kBallPool, TBall());
  m_game.DraggedBall = -1;
  m_dragging = false;
  m_game.DragStage = 0;
  m_stageStart = 0;
  m_stageMisses = 0;
  NextDragStage();
  DrawBalls();
  Image6 = Image7;
}

void DragPage::NextDragStage() {
  if (m_game.DragStage < kLastStage) ++m_game.DragStage;
  m_game.BallCount = DragStageCounts[m_game.DragStage];
  for (int i = 0; i < m_game.BallCount; ++i) m_game.Balls[i].Place(m_platform);
}

void DragPage::DrawBall(int x, int y, int pattern) {
  if (pattern == TBall::kRestingPattern) {
    DrawMasked(Image7, x, y, ImageList2[0]);
  } else if (pattern == TBall::kHeldPattern) {
    DrawMasked(Image7, x, y, ImageList2[1]);
  }
}

bool DragPage::DrawBalls() {
  bool allInBasket = true;
  for (int i = 0; i < m_game.BallCount; ++i) {
    const TBall& b = m_game.Balls[i];
    if (b.State != TBall::kInPlay) continue;
    DrawBall(b.X, b.Y, b.Pattern);
    if (!BasketRect.HoldsCorner(b.X, b.Y)) allInBasket = false;
  }
  return allInBasket;
}

void DragPage::Image6MouseDown() {
  const QPoint p = m_platform.PointerPos(ids::Image6);
  m_game.DraggedBall = -1;
  for (int i = 0; i < m_game.BallCount; ++i) {
    const TBall& b = m_game.Balls[i];
    if (b.State == TBall::kInPlay && mouse_field::Covers(b, p)) {
      m_game.DraggedBall = i + 1;
      break;
    }
  }
  m_dragging = m_game.DraggedBall != -1;
  if (m_dragging && m_history && !(m_stageStart > 0)) m_stageStart = m_platform.Now();
}

void DragPage::Image6DragOver(QPoint pos) {
  if (!m_dragging) return;
  const TBall& b = m_game.Balls[m_game.DraggedBall - 1];
  // Wipe the previous frame's ball in the hand; the resting picture stays
  // at its old place until the drop.
  Image6 = Image7;
  DrawMasked(Image6, std::clamp(pos.x(), b.MinX, b.MaxX), std::clamp(pos.y(), b.MinY, b.MaxY), ImageList2[1]);
}

void DragPage::Image6DragDrop(QPoint pos) {
  if (!m_dragging) return;
  Image7 = Image8;
  // The drop point as reported, not held to the field: a ball dropped at the
  // right edge is drawn partly outside.
  TBall& b = m_game.Balls[m_game.DraggedBall - 1];
  b.X = pos.x();
  b.Y = pos.y();
  DrawBalls();
  Image6 = Image7;
}

void DragPage::Image6EndDrag() {
  if (!m_dragging) return;
  m_dragging = false;
  Image7 = Image8;
  const TBall& dropped = m_game.Balls[m_game.DraggedBall - 1];
  if (!BasketRect.HoldsCorner(dropped.X, dropped.Y)) ++m_stageMisses;
  if (DrawBalls()) {
    if (m_history) {
      const ClockTime start = m_stageStart > 0 ? m_stageStart : m_platform.Now();
      m_history->MouseStage(MouseGame::Drag, m_game.DragStage, m_stageMisses, 0,
                            SecondsBetween(start, m_platform.Now()));
    }
    m_stageStart = 0;
    m_stageMisses = 0;
    Image7 = Image8;
    NextDragStage();
    DrawBalls();
  }
  Image6 = Image7;
}

}  // namespace shurencho
