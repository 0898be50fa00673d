// The benchmarks run with a QApplication on the offscreen platform, so the
// views can be measured as well as the logic.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "ui/widget_style.h"

using namespace shurencho;

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("SDL_AUDIODRIVER", "dummy");
  QApplication app(argc, argv);
  InstallFontSubstitutes();
  ::benchmark::Initialize(&argc, argv);
  ::benchmark::RunSpecifiedBenchmarks();
  ::benchmark::Shutdown();
  return 0;
}
