// The mouse pages' frames: one click-game tick with all 128 targets, one
// pointer move during a drag, one redraw of the puzzle board. Each has to be
// a small fraction of a 16 ms display frame.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "data/practice_data.h"
#include "mouse/click_page.h"
#include "mouse/drag_page.h"
#include "mouse/puzzle_page.h"
#include "ui/click_view.h"
#include "ui/drag_view.h"
#include "ui/qt_platform.h"

using namespace shurencho;

namespace {

struct MouseBench {
  MouseBench() : platform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>()) {
    platform.Randomize();
  }
  QtPlatform platform;
  AppSettings settings;
  PracticeData data;
};

// Stage 10: all 128 targets in play, none ever hit.
void LastClickStage(ClickPage& page) {
  page.FormCreate();
  page.SetUpGame().ClickStage = ClickPage::kLastStage - 1;
  page.NextClickStage();
}

}  // namespace

static void BM_ClickTick128Targets(benchmark::State& state) {
  MouseBench b;
  ClickPage page(b.platform);
  LastClickStage(page);
  for (auto _ : state) {
    page.Timer1Timer();
    benchmark::DoNotOptimize(page.Image3.constBits());
  }
}
BENCHMARK(BM_ClickTick128Targets)->Unit(benchmark::kMicrosecond);

// The same tick with the view painting the new field.
static void BM_ClickTick128TargetsPainted(benchmark::State& state) {
  MouseBench b;
  ClickPage page(b.platform);
  ClickView view(page, b.platform);
  LastClickStage(page);
  view.show();
  for (auto _ : state) {
    page.Timer1Timer();
    view.Render();
    view.repaint();
  }
}
BENCHMARK(BM_ClickTick128TargetsPainted)->Unit(benchmark::kMicrosecond);

// One pointer move with a ball in the hand on a stage of 100 balls, painted.
static void BM_DragMove(benchmark::State& state) {
  MouseBench b;
  DragPage page(b.platform);
  DragView view(page, b.platform);
  page.FormCreate();
  page.SetUpGame().DragStage = DragPage::kLastStage - 1;
  page.NextDragStage();
  page.Image7 = page.Image8;
  page.DrawBalls();
  view.show();
  const TBall& ball = page.game().Balls[0];
  b.platform.SetPointerPos(QStringLiteral("Image6"), QPoint(ball.X + 4, ball.Y + 4));
  page.Image6MouseDown();
  if (!page.Dragging()) state.SkipWithError("no ball under the pointer");
  int x = 0;
  for (auto _ : state) {
    x = (x + 7) % 512;
    page.Image6DragOver(QPoint(x, 200));
    view.Render();
    view.repaint();
  }
  page.Image6EndDrag();
}
BENCHMARK(BM_DragMove)->Unit(benchmark::kMicrosecond);

static void BM_PuzzleRedraw(benchmark::State& state) {
  MouseBench b;
  PuzzlePage page(b.platform);
  page.FormCreate();
  for (auto _ : state) {
    benchmark::DoNotOptimize(page.DrawPuzzle());
    page.Image9 = page.Image10;
  }
}
BENCHMARK(BM_PuzzleRedraw)->Unit(benchmark::kMicrosecond);
