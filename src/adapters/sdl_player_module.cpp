// The audio player as a module of its own, loaded once the window is shown,
// so that the mixer and its libraries cost the start-up nothing.
#include <QtGlobal>

#include "adapters/sdl_media_player.h"

extern "C" Q_DECL_EXPORT shurencho::MediaPlayer* shurencho_create_sdl_player() {
  return shurencho::SdlMediaPlayer::Create().release();
}
