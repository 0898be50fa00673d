// Scoring the three-minute test after an edit: the shipped 中3 passage
// against a box holding the passage once (a fast typist at 3:00), and ten
// times over (a key held down for minutes), the case the window's redraw
// after every edit must still keep up with.
#include <benchmark/benchmark.h>

#include "typing/skill_test.h"

using namespace shurencho;

namespace {

void BM_SkillTestScore(benchmark::State& state) {
  const QList<SkillTestText> texts =
      LoadSkillTestTexts(QStringLiteral(SHURENCHO_ASSETS_DIR "/texts/test"), nullptr);
  if (texts.isEmpty()) {
    state.SkipWithError("no test passages");
    return;
  }
  const QString& passage = texts.last().passage;
  QString typed;
  for (int i = 0; i < state.range(0); ++i) typed += passage;
  for (auto _ : state) benchmark::DoNotOptimize(CorrectCharacters(passage, typed));
  state.SetLabel(QStringLiteral("%1 characters typed").arg(typed.size()).toStdString());
}
BENCHMARK(BM_SkillTestScore)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

}  // namespace
