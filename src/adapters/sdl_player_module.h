#pragma once
// The table of functions the audio player module exports.

#include "adapters/module_loader.h"
#include "platform/platform.h"

namespace shurencho {

struct SdlPlayerModule {
  static constexpr const char* kName = "shurencho_sdl_player";
  static constexpr const char* kEntry = "shurencho_sdl_player_module_table";
  // Raised whenever a function below changes or moves.
  static constexpr std::uint32_t kAbiVersion = 1;

  ModuleHeader header;
  // The player on the audio device, owned by the caller; null without one.
  MediaPlayer* (*create)();
};

}  // namespace shurencho
