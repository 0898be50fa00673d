#pragma once
// The click game (TabSheet4, "CLICK"): red targets wander over the field and
// move once per Timer1 tick; a click marks the lowest-numbered target under
// the pointer as hit. When a stage's targets are all gone the next stage
// brings more, up to stage 10, which repeats.

#include <QColor>
#include <QImage>
#include <array>
#include <vector>

#include "mouse/mouse_pictures.h"
#include "mouse/tenemy.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace shurencho {

class HistoryRecorder;

class ClickPage final {
 public:
  static constexpr int kTargetPool = 128;
  static constexpr int kLastStage = 10;
  // Targets in play at stages 1 … 10 (index 0 unused).
  static constexpr std::array<int, kLastStage + 1> ClickStageCounts = {0,  5,  10, 15,  20, 30,
                                                                       40, 50, 75, 100, 128};

  explicit ClickPage(Platform& platform);

  // Page set-up: new targets, stage 1 drawn.
  void FormCreate();
  // One move of the game (the shell ticks it only while the page is shown).
  void Timer1Timer();
  // Marks the lowest-numbered target in play under the pointer as hit.
  void Image3Click();

  // Where finished stages are reported; null: nowhere.
  void SetHistory(HistoryRecorder* history) { m_history = history; }

  void NextClickStage();
  void DrawTarget(int x, int y, int pattern);
  void DrawTargets();

  QColor ButtonFace = kDefaultButtonFace;  // the system button face, set by the view

  QImage Image3;                     // the visible field
  QImage Image4;                     // back buffer where each frame is composed
  QImage Image5;                     // clean background, solid aqua
  std::array<QImage, 2> ImageList1;  // target, hit mark (16 × 16, transparent ground)

  // The game's state: read by anyone, set only by the page's handlers (and
  // by tests and benchmarks that lay out a position through SetUpGame).
  struct ClickGame {
    std::vector<TENemy> Targets;  // the pool; Targets[i - 1] is target i
    int ClickStage = 0;           // 0 before the first stage, then 1 … 10
    int TargetCount = 0;          // targets 1 … TargetCount take part
  };
  const ClickGame& game() const { return m_game; }
  ClickGame& SetUpGame() { return m_game; }

 private:
  ClickGame m_game;
  Platform& m_platform;
  HistoryRecorder* m_history = nullptr;
  ClockTime m_stageStart = 0;  // the stage's first tick or click; 0: none yet
  int m_stageMisses = 0;       // clicks that hit no target in this stage
};

}  // namespace shurencho
