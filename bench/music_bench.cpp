// The music box's costs: measuring a MIDI file's length when it is opened,
// and the whole open of the shipped tune (the synthesizer loads its
// soundfont here), which start-up pays when the music file exists.
#include <benchmark/benchmark.h>

#include <QFile>

#include "platform/midi_file.h"
#ifdef SHURENCHO_HAVE_SDL_MIXER
#include "sdl_player/sdl_media_player.h"

using namespace shurencho;
#endif

namespace {

const QString kTune = QStringLiteral(SHURENCHO_ASSETS_DIR "/shurencho.mid");

void BM_MidiFileSeconds(benchmark::State& state) {
  QFile file(kTune);
  if (!file.open(QIODevice::ReadOnly)) {
    state.SkipWithError("shipped tune missing");
    return;
  }
  const QByteArray bytes = file.readAll();
  for (auto _ : state) benchmark::DoNotOptimize(MidiFileSeconds(bytes));
  state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_MidiFileSeconds);

#ifdef SHURENCHO_HAVE_SDL_MIXER
void BM_OpenShippedTune(benchmark::State& state) {
  auto player = SdlMediaPlayer::Create();
  if (!player) {
    state.SkipWithError("no audio device");
    return;
  }
  for (auto _ : state) {
    player->Open(kTune);
    player->Close();
  }
}
BENCHMARK(BM_OpenShippedTune)->Unit(benchmark::kMillisecond)->Iterations(5);
#endif

}  // namespace
