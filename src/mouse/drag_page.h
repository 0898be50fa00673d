#pragma once
// The drag game (TabSheet5, "DORAG"): balls lie in the corners of a green
// field; the user drags each into the blue basket in its middle. The first
// drag that leaves every ball in the basket starts the next stage, up to
// stage 10, which repeats.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <array>
#include <vector>

#include "mouse/basket.h"
#include "mouse/mouse_pictures.h"
#include "mouse/tball.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace shurencho {

class HistoryRecorder;

class DragPage final {
 public:
  static constexpr int kBallPool = 100;
  static constexpr int kLastStage = 10;
  // Balls in play at stages 1 … 10 (index 0 unused).
  static constexpr std::array<int, kLastStage + 1> DragStageCounts = {0,  3,  6,  10, 15, 20,
                                                                      30, 40, 50, 75, 100};

  explicit DragPage(Platform& platform);

  // Page set-up: new balls, stage 1 drawn.
  void FormCreate();

  // The drag cycle, fed by the view from mouse press, move and release on
  // Image6 (the field is both the drag source and the only drop target).
  // A press over a ball starts a drag at once, whatever the button.
  void Image6MouseDown();
  // The pointer moved during a drag, to pos in field pixels (may be outside).
  void Image6DragOver(QPoint pos);
  // Released over the field at pos.
  void Image6DragDrop(QPoint pos);
  // Every drag ends here, dropped on the field or not.
  void Image6EndDrag();
  bool Dragging() const { return m_dragging; }

  // Where finished stages are reported; null: nowhere.
  void SetHistory(HistoryRecorder* history) { m_history = history; }

  void NextDragStage();
  void DrawBall(int x, int y, int pattern);
  // Draws the balls in play; true when every one lies in the basket.
  bool DrawBalls();

  QColor ButtonFace = kDefaultButtonFace;  // the system button face, set by the view

  QImage Image6;                     // the visible field
  QImage Image7;                     // back buffer
  QImage Image8;                     // clean background: green with the blue basket
  std::array<QImage, 2> ImageList2;  // resting ball, ball in the hand (16 × 16, transparent ground)

  // The game's state: read by anyone, set only by the page's handlers (and
  // by tests and benchmarks that lay out a position through SetUpGame).
  struct DragGame {
    std::vector<TBall> Balls;  // the pool; Balls[i - 1] is ball i
    int DragStage = 0;         // 0 before the first stage, then 1 … 10
    int BallCount = 0;         // balls 1 … BallCount take part
    int DraggedBall = -1;      // 1-based index of the ball in the hand, or -1
  };
  const DragGame& game() const { return m_game; }
  DragGame& SetUpGame() { return m_game; }
  BasketBounds BasketRect = kBasket;

 private:
  DragGame m_game;
  Platform& m_platform;
  bool m_dragging = false;
  HistoryRecorder* m_history = nullptr;
  ClockTime m_stageStart = 0;  // the stage's first press on a ball; 0: none yet
  int m_stageMisses = 0;       // drags in this stage that left their ball outside the basket
};

}  // namespace shurencho
