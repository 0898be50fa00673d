// Furigana through MeCab: a test passage of about 290 characters (what the
// 実力テスト window sets when it opens) and a practice text of 100,000
// characters (the longest 実践 loads), for a 小3 learner.
#include <benchmark/benchmark.h>

#include <QLibrary>

#include "adapters/furigana_reader.h"
#include "adapters/mecab_module.h"
#include "typing/skill_test.h"

using namespace shurencho;

namespace {

void BM_Furigana(benchmark::State& state) {
#ifdef SHURENCHO_MECAB_MODULE
  static QLibrary library(QStringLiteral(SHURENCHO_MECAB_MODULE));
  using Entry = const MecabModule* (*)();
  const auto entry = reinterpret_cast<Entry>(library.resolve(MecabModule::kEntry));
  const QList<SkillTestText> texts =
      LoadSkillTestTexts(QStringLiteral(SHURENCHO_ASSETS_DIR "/texts/test"), nullptr);
  if (entry == nullptr || texts.isEmpty()) {
    state.SkipWithError("no MeCab module or no passages");
    return;
  }
  FuriganaReader reader(QStringLiteral(SHURENCHO_ASSETS_DIR "/kanji.txt"), entry()->words);
  QString text;
  while (text.size() < state.range(0)) text += texts.first().passage;
  text.truncate(state.range(0));
  reader.RubyFor(text.left(10), SchoolYear::Sho3);  // the dictionary opened once
  for (auto _ : state) benchmark::DoNotOptimize(reader.RubyFor(text, SchoolYear::Sho3));
  state.SetLabel(QStringLiteral("%1 characters").arg(text.size()).toStdString());
#else
  state.SkipWithError("MeCab is not built here");
#endif
}
BENCHMARK(BM_Furigana)->Arg(290)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
