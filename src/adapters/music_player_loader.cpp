#include "adapters/music_player_loader.h"

#include "adapters/sdl_player_module.h"

namespace shurencho {

std::unique_ptr<MediaPlayer> LoadAudioPlayer() {
  // Never unloaded: the player and its threads live as long as the program.
  const ModuleLoad<SdlPlayerModule>& module = LoadModule<SdlPlayerModule>();
  if (module.api == nullptr) {
    qWarning("shurencho: %s", qUtf8Printable(module.error));
    qWarning("shurencho: the audio player module was not found; the music stays silent");
    return nullptr;
  }
  if (MediaPlayer* player = module.api->create()) return std::unique_ptr<MediaPlayer>(player);
  qWarning("shurencho: no audio device could be opened; the music stays silent");
  return nullptr;
}

}  // namespace shurencho
