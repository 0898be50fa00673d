// The 成績 window with a large history: 100,000 runs and 1,000,000 refused
// keys must open in 200 ms, reading the store included. The figures are
// measured against any HistoryStore; here an in-memory one filled once.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "records_module/records_view.h"
#include "report/records_csv.h"
#include "report/records_summary.h"
#include "settings/settings.h"
#include "support/memory_history_store.h"
#include "support/shipped_data.h"

using namespace shurencho;

HistoryStore* LargeHistoryFile();

namespace {

constexpr int kRuns = 100000;
constexpr int kMisses = 1000000;
constexpr HistoryTime kStart = 1700000000000;
// Two years of practice, a run every ten minutes or so.
constexpr HistoryTime kStep = 2LL * 365 * kMsPerDay / kRuns;

// A large history written the way the pages write it: one batch per run.
HistoryStore& LargeStore() {
  static MemoryHistoryStore store = [] {
    MemoryHistoryStore s(QStringLiteral("大量 記録"));
    const QStringList units =
        QStringLiteral(
            "あ い う え お か き く け こ さ し す せ そ た ち つ て と な に ぬ ね の "
            "は ひ ふ へ ほ ま み む め も や ゆ よ ら り る れ ろ わ を ん しゃ しゅ "
            "しょ ちゃ ちゅ ちょ きゃ きゅ きょ じゃ じゅ じょ っ ー")
            .split(QLatin1Char(' '));
    const QString keys = QStringLiteral("abcdefghijklmnopqrstuvwxyz-;:,./");
    const QList<int> shown = ShownCourses();
    for (int i = 0; i < kRuns; ++i) {
      HistoryBatch batch;
      const HistoryTime at = kStart + i * kStep;
      const int chars = 100 + i % 200;
      const double seconds = 60 + i % 240;
      batch.runs.append(TypingRunRecord{at, shown[i % shown.size()], QString(), chars, chars + 20, 20,
                                        seconds, int(chars * 60 / seconds), int((chars + 20) * 60 / seconds),
                                        1 - 20.0 / (chars + 20), QString()});
      for (int m = 0; m < kMisses / kRuns; ++m) {
        const int k = (i * 7 + m * 13) % keys.size();
        batch.misses.append(KeyMissRecord{at, 1, units[(i + m * 5) % units.size()], QString(),
                                          QString(keys[k]), QString(keys[(k + 1) % keys.size()])});
      }
      if (i % 20 == 0) batch.mouse.append(MouseRecord{at, MouseGame(1 + i / 20 % 4), i / 2000, i % 5, 0, 30});
      s.Write(batch);
    }
    return s;
  }();
  return store;
}

const AppSettings& Settings() {
  static const AppSettings settings = [] {
    AppSettings s;
    LoadSettings(s, false, QString());
    return s;
  }();
  return settings;
}

// Opening the window: reading the store, shaping the figures, building and
// showing every page and chart.
void OpenRecordsWindow(benchmark::State& state, HistoryStore& store) {
  for (auto _ : state) {
    RecordsView view(store, Settings(), ShippedPracticeData().keyboards.jis);
    view.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(view.isVisible());
  }
}

void BM_RecordsWindowOpens(benchmark::State& state) { OpenRecordsWindow(state, LargeStore()); }
BENCHMARK(BM_RecordsWindowOpens)->Unit(benchmark::kMillisecond);

// The same on the real history file (history_bench.cpp): 100,000 runs and
// 1,000,000 refused keys in SQLite.
void BM_RecordsWindowOpensOnTheHistoryFile(benchmark::State& state) {
  HistoryStore* store = LargeHistoryFile();
  if (store == nullptr) {
    state.SkipWithError("the history file could not be made");
    return;
  }
  OpenRecordsWindow(state, *store);
}
BENCHMARK(BM_RecordsWindowOpensOnTheHistoryFile)->Unit(benchmark::kMillisecond);

void BM_RecordsStoreRead(benchmark::State& state) {
  HistoryStore& store = LargeStore();
  for (auto _ : state) benchmark::DoNotOptimize(store.Read(10).runs.size());
}
BENCHMARK(BM_RecordsStoreRead)->Unit(benchmark::kMillisecond);

void BM_RecordsSpeedsPerDay(benchmark::State& state) {
  const LearnerHistory history = LargeStore().Read(10);
  for (auto _ : state) benchmark::DoNotOptimize(SummarizeSpeeds(history.runs).size());
}
BENCHMARK(BM_RecordsSpeedsPerDay)->Unit(benchmark::kMillisecond);

void BM_RecordsCsvExport(benchmark::State& state) {
  const LearnerHistory history = LargeStore().Read(10);
  for (auto _ : state) benchmark::DoNotOptimize(WriteRecordsCsv(history).size());
}
BENCHMARK(BM_RecordsCsvExport)->Unit(benchmark::kMillisecond);

}  // namespace
