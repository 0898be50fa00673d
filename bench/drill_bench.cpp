// The drill's cost per key: the judge alone, the page drawn, and a key
// press sent through the real input box (judge and drawing together).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "data/practice_data.h"
#include "drill/drill_page.h"
#include "history/history_recorder.h"
#include "support/shipped_data.h"
#include "ui/drill_view.h"
#include "ui/qt_platform.h"

using namespace shurencho;

namespace {

struct DrillBench {
  explicit DrillBench(int romajiGuide = 0)
      : platform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>()) {
    settings = SettingsForShippedData();
    settings.CourseNo = 3;  // kana words
    settings.RomajiGuide = romajiGuide;
    data = LoadPracticeData(settings, QString(), ShippedKeyboardFiles());
    page = std::make_unique<DrillPage>(settings, data, platform);
    page->FormCreate();
    page->FormShow();
  }
  // The next letter a learner types: the next one of the unit's first form.
  QChar NextLetter() const {
    const QString hint = page->state().UnitRomaji.value(1);
    const QString typed = page->Edit2.text();
    return typed.size() < hint.size() ? hint.at(typed.size()) : QChar(u'a');
  }

  QtPlatform platform;
  AppSettings settings;
  PracticeData data;
  std::unique_ptr<DrillPage> page;
};

void BM_DrillKeyPress(benchmark::State& state) {
  DrillBench b;
  for (auto _ : state) {
    QChar key = b.NextLetter();
    b.page->Edit2KeyPress(key);
    b.page->Edit2.setText(b.page->Edit2.text() + key);
    benchmark::DoNotOptimize(b.page->Label1.caption);
  }
}
BENCHMARK(BM_DrillKeyPress);

// Keys by the hint with ヘボン式 chosen: the judge also looks at the next
// unit, and the hint is planned again after every key.
void BM_DrillKeyPressHepburn(benchmark::State& state) {
  DrillBench b(1);
  for (auto _ : state) {
    const QString hint = b.page->Label44.caption;
    const QString typed = b.page->Edit2.text();
    // Past ん typed as n the hint is the next unit's: its first letter comes next.
    QChar key = hint.startsWith(typed) && typed.size() < hint.size() ? hint.at(typed.size()) : hint.at(0);
    b.page->Edit2KeyPress(key);
    b.page->Edit2.setText(b.page->Edit2.text() + key);
    benchmark::DoNotOptimize(b.page->Label44.caption);
  }
}
BENCHMARK(BM_DrillKeyPressHepburn);

// The same keys with the learning history recording: each key is counted in
// memory, and each finished item is handed to a store that only keeps it.
void BM_DrillKeyPressRecorded(benchmark::State& state) {
  class KeepingStore final : public HistoryStore {
   public:
    QString LearnerName() const override { return QString(); }
    bool SetLearnerName(const QString&, QString*) override { return true; }
    bool Write(const HistoryBatch& batch, QString*) override {
      items += batch.items.size();
      return true;
    }
    LearnerHistory Read(int, QString*) override { return {}; }
    qsizetype items = 0;
  } store;
  DrillBench b;
  HistoryRecorder recorder(b.platform);
  recorder.Attach(&store);
  b.page->SetHistory(&recorder);
  for (auto _ : state) {
    QChar key = b.NextLetter();
    b.page->Edit2KeyPress(key);
    b.page->Edit2.setText(b.page->Edit2.text() + key);
    benchmark::DoNotOptimize(b.page->Label1.caption);
  }
  state.counters["items"] = static_cast<double>(store.items);
}
BENCHMARK(BM_DrillKeyPressRecorded);

// The page's state copied into its widgets.
void BM_DrillRender(benchmark::State& state) {
  DrillBench b;
  DrillView view(*b.page, b.platform, b.data.keyboards.jis);
  view.resize(537, 400);
  view.show();
  QApplication::processEvents();
  for (auto _ : state) view.Render();
}
BENCHMARK(BM_DrillRender)->Unit(benchmark::kMicrosecond);

// The whole page painted again (what a window does at most once per frame).
void BM_DrillPaint(benchmark::State& state) {
  DrillBench b;
  DrillView view(*b.page, b.platform, b.data.keyboards.jis);
  view.resize(537, 400);
  view.show();
  view.Render();
  QApplication::processEvents();
  for (auto _ : state) view.repaint();
}
BENCHMARK(BM_DrillPaint)->Unit(benchmark::kMicrosecond);

void BM_DrillKeyThroughView(benchmark::State& state) {
  DrillBench b;
  DrillView view(*b.page, b.platform, b.data.keyboards.jis);
  view.resize(537, 400);
  view.show();
  view.Render();
  QApplication::processEvents();
  for (auto _ : state) {
    const QChar key = b.NextLetter();
    QKeyEvent press(QEvent::KeyPress, key.toUpper().unicode(), Qt::NoModifier, QString(key));
    QApplication::sendEvent(view.edit2(), &press);
  }
}
BENCHMARK(BM_DrillKeyThroughView)->Unit(benchmark::kMicrosecond);

}  // namespace
