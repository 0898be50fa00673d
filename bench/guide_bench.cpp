// The keyboard guide's cost per key: a key pressed in the drill's input box
// until the guide beside it has been painted again (page, guide and both
// paints together), and the guide's composing and painting alone.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "data/practice_data.h"
#include "drill/drill_page.h"
#include "drill/keyboard_guide.h"
#include "support/shipped_data.h"
#include "ui/drill_view.h"
#include "ui/keyboard_guide_view.h"
#include "ui/qt_platform.h"

using namespace shurencho;

namespace {

struct GuideBench {
  GuideBench() : platform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>()) {
    settings = SettingsForShippedData();
    settings.CourseNo = 3;  // kana words
    data = LoadPracticeData(settings, QString(), ShippedKeyboardFiles());
    page = std::make_unique<DrillPage>(settings, data, platform);
    page->FormCreate();
    page->FormShow();
    host.resize(672, 466);
    guideView = std::make_unique<KeyboardGuideView>(&host);
    guideView->resize(672, 151);
    guideView->show();
    QApplication::processEvents();
  }
  void Refresh() {
    guideView->Show(guide.Compose(FeedFromDrill(*page), page->KanaMode()));
    // Painted now, as the window would at its next frame.
    guideView->repaint();
  }

  QtPlatform platform;
  AppSettings settings;
  PracticeData data;
  std::unique_ptr<DrillPage> page;
  QWidget host;
  KeyboardGuide guide;
  std::unique_ptr<KeyboardGuideView> guideView;
};

void BM_GuideKeyToDrawn(benchmark::State& state) {
  GuideBench b;
  DrillView view(*b.page, b.platform, b.data.keyboards.jis);
  view.resize(537, 400);
  view.show();
  view.afterRun = [&b] { b.Refresh(); };
  QApplication::processEvents();
  for (auto _ : state) {
    // The next letter of the learner's notation, as the guide lights it.
    const QString next = b.page->NextKeyText();
    const QChar key = next.isEmpty() ? QChar(u'a') : next.front();
    QKeyEvent press(QEvent::KeyPress, key.toUpper().unicode(), Qt::NoModifier, QString(key));
    QApplication::sendEvent(view.edit2(), &press);
  }
}
BENCHMARK(BM_GuideKeyToDrawn)->Unit(benchmark::kMillisecond)->Repetitions(9)->DisplayAggregatesOnly(true);

void BM_GuideComposeAndPaint(benchmark::State& state) {
  GuideBench b;
  for (auto _ : state) b.Refresh();
}
BENCHMARK(BM_GuideComposeAndPaint)->Unit(benchmark::kMillisecond);

}  // namespace
