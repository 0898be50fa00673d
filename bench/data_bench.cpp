// The practice data: what the drill's judge asks of the table at every key
// press, and the whole start-up load of the data files.
#include <benchmark/benchmark.h>

#include "data/practice_data.h"
#include "settings/settings.h"
#include "support/shipped_data.h"
#include "text/comma_text.h"
#include "text/text_file.h"

using namespace shurencho;

namespace {

const PracticeData& Shipped() { return ShippedPracticeData(); }

// One reading typed through with the hints, as the judge sees it: a
// MatchRomaji per letter, and a NextKanaUnit per finished unit. Reports the
// time per key press.
void TypeReading(benchmark::State& state, const QString& reading) {
  const PracticeData& d = Shipped();
  const int length = CharCount(reading);
  int keys = 0;
  for (auto _ : state) {
    keys = 0;
    for (int p = 0; p < length;) {
      const KanaUnitStep step = NextKanaUnit(d.kanaKeyList, reading, length, p);
      const QString hint = KanaUnitLine(d.kanaRomaTable, d.kanaKeyList, step.unit).value(1);
      for (qsizetype n = 1; n <= hint.size(); ++n) {
        benchmark::DoNotOptimize(MatchRomaji(d.kanaRomaTable, d.kanaKeyList, step.unit, hint.left(n)));
        ++keys;
      }
      p = step.position;
    }
  }
  state.SetItemsProcessed(state.iterations() * keys);
  state.counters["keys"] = keys;
}

void BM_KeyPress_KanaWord(benchmark::State& state) { TypeReading(state, QStringLiteral("しゅっちょう")); }
// Katakana units sit at the end of the table: the longest linear searches.
void BM_KeyPress_KatakanaWord(benchmark::State& state) {
  TypeReading(state, QStringLiteral("バスケットボール"));
}
void BM_KeyPress_EnglishWord(benchmark::State& state) { TypeReading(state, QStringLiteral("communication")); }

void BM_LoadPracticeData(benchmark::State& state) {
  const AppSettings settings = SettingsForShippedData();
  for (auto _ : state) {
    const PracticeData data = LoadPracticeData(settings, QString(), ShippedKeyboardFiles());
    benchmark::DoNotOptimize(data.kanaRomaTable.count());
  }
}

}  // namespace

BENCHMARK(BM_KeyPress_KanaWord);
BENCHMARK(BM_KeyPress_KatakanaWord);
BENCHMARK(BM_KeyPress_EnglishWord);
BENCHMARK(BM_LoadPracticeData)->Unit(benchmark::kMillisecond);
