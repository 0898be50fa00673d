// The learning history's store at the size of years of classroom use: one
// learner with 100,000 measured runs and 1,000,000 refused keys (and the
// drill items and mouse stages that go with them), in a temporary folder.
// Read must stay well under what a window may take to open (150 ms).
#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "history_sqlite/sqlite_history_store.h"

using namespace shurencho;

namespace {

constexpr int kRuns = 100000;
constexpr int kMisses = 1000000;
constexpr int kItems = 300000;
constexpr int kMouseStages = 20000;

const char* const kUnits[] = {"か", "し", "しゃ", "つ", "ん", "ふ", "ぢ", "きゃ", "っこ", "a", "b", "q"};
const char* const kKeys[] = {"a", "s", "d", "f", "j", "k", "l", "h", "u", "i", "o", "n"};

struct HistoryFile {
  HistoryFile() {
    QString error;
    store = SqliteHistoryStore::Open(dir.filePath(QStringLiteral("history.sqlite")), &error);
    if (!store) {
      std::fprintf(stderr, "history file: %s\n", qPrintable(error));
      return;
    }
    const HistoryTime start = 1700000000000;
    // Written in batches far larger than a page's, or generating would take minutes.
    constexpr int kBatches = 100;
    for (int b = 0; b < kBatches; ++b) {
      HistoryBatch batch;
      for (int i = b * kRuns / kBatches; i < (b + 1) * kRuns / kBatches; ++i) {
        batch.runs.append(TypingRunRecord{
            start + i * 60000LL, i % 6, i % 6 ? QString() : QStringLiteral("sample.txt"), 100 + i % 50,
            130 + i % 70, i % 9, 60.0 + i % 40, 80 + i % 30, 120 + i % 50, 0.9, QStringLiteral("○")});
      }
      for (int i = b * kMisses / kBatches; i < (b + 1) * kMisses / kBatches; ++i) {
        batch.misses.append(KeyMissRecord{start + i * 6000LL, 1 + i % 5, QString::fromUtf8(kUnits[i % 12]),
                                          QString::fromUtf8(kKeys[i % 5]), QString::fromUtf8(kKeys[i % 11]),
                                          QString::fromUtf8(kKeys[i % 7])});
      }
      for (int i = b * kItems / kBatches; i < (b + 1) * kItems / kBatches; ++i) {
        batch.items.append(
            DrillItemRecord{start + i * 20000LL, 1 + i % 5, QStringLiteral("きしゃ"), 3, 12, 1, 4.5});
      }
      for (int i = b * kMouseStages / kBatches; i < (b + 1) * kMouseStages / kBatches; ++i) {
        batch.mouse.append(
            MouseRecord{start + i * 30000LL, static_cast<MouseGame>(1 + i % 4), i % 10, i % 3, 0, 20});
      }
      if (!store->Write(batch, &error)) {
        std::fprintf(stderr, "history file: %s\n", qPrintable(error));
        store.reset();
        return;
      }
    }
    std::printf("history file: %d runs, %d misses, %d items, %d mouse stages: %.1f MB\n", kRuns, kMisses,
                kItems, kMouseStages,
                static_cast<double>(QFileInfo(dir.filePath(QStringLiteral("history.sqlite"))).size()) / 1e6);
  }
  QTemporaryDir dir;
  std::unique_ptr<SqliteHistoryStore> store;
};

HistoryFile& File() {
  static HistoryFile file;
  return file;
}

void BM_HistoryRead(benchmark::State& state) {
  HistoryFile& f = File();
  if (!f.store) {
    state.SkipWithError("the history file could not be made");
    return;
  }
  for (auto _ : state) {
    const LearnerHistory h = f.store->Read(10);
    benchmark::DoNotOptimize(h.runs.size());
  }
}
BENCHMARK(BM_HistoryRead)->Unit(benchmark::kMillisecond);

void BM_HistoryWeakestUnits(benchmark::State& state) {
  HistoryFile& f = File();
  if (!f.store) {
    state.SkipWithError("the history file could not be made");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(f.store->WeakestUnits(10));
}
BENCHMARK(BM_HistoryWeakestUnits)->Unit(benchmark::kMicrosecond);

// What a finished drill item costs at its end: one item and two misses.
void BM_HistoryWriteItem(benchmark::State& state) {
  HistoryFile& f = File();
  if (!f.store) {
    state.SkipWithError("the history file could not be made");
    return;
  }
  HistoryBatch batch;
  batch.items.append(DrillItemRecord{1800000000000, 4, QStringLiteral("きしゃ"), 3, 8, 2, 3.2});
  batch.misses.append(KeyMissRecord{1800000000000, 4, QStringLiteral("しゃ"), QStringLiteral("s"),
                                    QStringLiteral("a"), QStringLiteral("h")});
  batch.misses.append(KeyMissRecord{1800000000000, 4, QStringLiteral("き"), QString(), QStringLiteral("j"),
                                    QStringLiteral("k")});
  for (auto _ : state) benchmark::DoNotOptimize(f.store->Write(batch));
}
BENCHMARK(BM_HistoryWriteItem)->Unit(benchmark::kMicrosecond);

}  // namespace

// The same file, for the 成績 window's benchmark; null when it could not be made.
HistoryStore* LargeHistoryFile() { return File().store.get(); }
