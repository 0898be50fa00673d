// The audio player as a module of its own, loaded once the window is shown,
// so that the mixer and its libraries cost the start-up nothing.
#include "adapters/sdl_player_module.h"

#include <QtGlobal>

#include "sdl_player/sdl_media_player.h"

namespace {

shurencho::MediaPlayer* Create() { return shurencho::SdlMediaPlayer::Create().release(); }

const shurencho::SdlPlayerModule kModule{
    .header = shurencho::ModuleHeaderOf<shurencho::SdlPlayerModule>(),
    .create = &Create,
};

}  // namespace

extern "C" Q_DECL_EXPORT const shurencho::SdlPlayerModule* shurencho_sdl_player_module_table() {
  return &kModule;
}
