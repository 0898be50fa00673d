#pragma once
// The background-music box Panel2: CheckBox3 switches the music, Label15
// shows (and, when clicked, chooses) the music file.

#include <functional>

#include "platform/controls.h"
#include "platform/platform.h"
#include "settings/settings.h"

class MusicBox final {
 public:
  // returnFocus gives the keyboard focus back to the page in view.
  MusicBox(AppSettings& settings, Platform& platform, std::function<void()> returnFocus);

  void FormCreate();  // open the stored music file when it exists
  void FormShow();    // tick CheckBox3 as stored, or disable it

  CheckBox CheckBox3;  // music on/off
  Label Label15;       // music file name
  Label Label16;       // "ＢＧＭ"

 private:
  AppSettings& m_settings;
  Platform& m_platform;
  std::function<void()> m_returnFocus;
};
