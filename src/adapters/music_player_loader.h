#pragma once
// Loads the audio player module: beside the program (the build folder), else
// in the installed library folder.

#include <memory>

#include "platform/platform.h"

namespace shurencho {

// The player on the audio device, or nullptr when the module or the audio
// device is missing (the program then plays no music, with a word on stderr).
std::unique_ptr<MediaPlayer> LoadAudioPlayer();

}  // namespace shurencho
