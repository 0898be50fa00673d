// The three-minute test scored key by key, as the window scores it: a
// passage as long as a test file may be (64 kB) and 1,500 keys, each handed
// over as the box's whole text. A key must cost the same at the end of the
// text as at its start, well inside a frame.
#include <benchmark/benchmark.h>

#include "typing/skill_test.h"

using namespace shurencho;

namespace {

struct Keys {
  QString passage;
  QString typed;  // what the box holds after the last key
};

// The shipped 中3 passage over and over up to 64 kB, and 1,500 characters of
// it typed with a slip every 40.
Keys LongPassageAndKeys() {
  const QList<SkillTestText> texts =
      LoadSkillTestTexts(QStringLiteral(SHURENCHO_ASSETS_DIR "/texts/test"), nullptr);
  Keys keys;
  if (texts.isEmpty()) return keys;
  const QString one = texts.last().passage + QLatin1Char('\n');
  while ((keys.passage + one).toUtf8().size() <= kMaxSkillTestFileBytes) keys.passage += one;
  for (const QChar c : keys.passage) {
    if (c.isSpace()) continue;
    keys.typed.append(keys.typed.size() % 40 == 39 ? QChar(u'ぬ') : c);
    if (keys.typed.size() == 1500) break;
  }
  return keys;
}

// Every key of a test, from an empty box.
void BM_SkillTestKeysOn64kBPassage(benchmark::State& state) {
  const Keys keys = LongPassageAndKeys();
  if (keys.typed.isEmpty()) {
    state.SkipWithError("no test passages");
    return;
  }
  for (auto _ : state) {
    TypedAlignment alignment(keys.passage);
    for (qsizetype n = 1; n <= keys.typed.size(); ++n) alignment.SetTyped(keys.typed.left(n));
    benchmark::DoNotOptimize(alignment.score());
  }
  state.SetItemsProcessed(state.iterations() * keys.typed.size());
  state.SetLabel(QStringLiteral("%1 characters in the passage").arg(keys.passage.size()).toStdString());
}
BENCHMARK(BM_SkillTestKeysOn64kBPassage)->Unit(benchmark::kMillisecond);

// The 1,500th key, typed and taken back.
void BM_SkillTestLastKeyOn64kBPassage(benchmark::State& state) {
  const Keys keys = LongPassageAndKeys();
  if (keys.typed.isEmpty()) {
    state.SkipWithError("no test passages");
    return;
  }
  TypedAlignment alignment(keys.passage);
  const QString before = keys.typed.chopped(1);
  alignment.SetTyped(before);
  for (auto _ : state) {
    alignment.SetTyped(keys.typed);
    alignment.SetTyped(before);
    benchmark::DoNotOptimize(alignment.score());
  }
}
BENCHMARK(BM_SkillTestLastKeyOn64kBPassage)->Unit(benchmark::kMicrosecond);

}  // namespace
