#pragma once
// Finds and loads the program's modules, and the audio player module: beside the program (the build
// folder), else in the installed library folder.

#include <QString>
#include <memory>

#include "platform/platform.h"

namespace shurencho {

// The function `symbol` of the program's module `name` (no suffix), found
// beside the program, else in the installed library folder; null when the
// module is missing or lacks it (why, in *error). Modules stay loaded.
void* ResolveModuleFunction(const char* name, const char* symbol, QString* error = nullptr);

// The player on the audio device, or nullptr when the module or the audio
// device is missing (the program then plays no music, with a word on stderr).
std::unique_ptr<MediaPlayer> LoadAudioPlayer();

}  // namespace shurencho
