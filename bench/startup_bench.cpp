// Start-up to the first shown window: settings, every data file, the window
// with its six pages created and shown (offscreen).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "app/form1.h"
#include "data/practice_data.h"
#include "settings/settings.h"
#include "ui/main_window_view.h"
#include "ui/qt_platform.h"

using namespace shurencho;

static void BM_StartupToShownWindow(benchmark::State& state) {
  QTemporaryDir dir;
  const QString ini = dir.filePath(QStringLiteral("shurencho.ini"));
  const QString oldCwd = QDir::currentPath();
  QDir::setCurrent(QStringLiteral(SHURENCHO_ASSETS_DIR));
  for (auto _ : state) {
    QtPlatform platform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>());
    AppSettings settings;
    LoadSettings(settings, true, ini);
    const PracticeData data = LoadPracticeData(settings);
    platform.Randomize();
    TForm1 form(settings, data, platform, ini);
    MainWindow window(form, platform);
    form.FormCreate();
    form.FormShow();
    window.RenderAll();
    window.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(window.isVisible());
  }
  QDir::setCurrent(oldCwd);
}
BENCHMARK(BM_StartupToShownWindow)->Unit(benchmark::kMillisecond);
