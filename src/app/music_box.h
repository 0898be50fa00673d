#pragma once
// The background-music box Panel2: CheckBox3 switches the music, Label15
// shows (and, when clicked, chooses) the music file. The music loops: each
// time a play reports its end, MediaPlayer1Notify starts it again while the
// box is ticked.

#include <QString>
#include <functional>

#include "platform/controls.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace shurencho {

class MusicBox final {
 public:
  // returnFocus gives the keyboard focus back to the page in view.
  MusicBox(AppSettings& settings, Platform& platform, std::function<void()> returnFocus);
  ~MusicBox();
  MusicBox(const MusicBox&) = delete;
  MusicBox& operator=(const MusicBox&) = delete;

  void FormCreate();  // open the stored music file when it exists
  void FormShow();    // tick CheckBox3 as stored, or disable it

  void CheckBox3Click();      // music on or off, as the box shows
  void MediaPlayer1Notify();  // a play ended or was interrupted
  void Label15Click();        // choose the music file through OpenDialog2

  CheckBox CheckBox3;  // music on/off (no caption)
  Label Label15;       // music file name without folder; empty when none
  Label Label16;       // "ＢＧＭ"

  // What OpenDialog2 offers.
  static const QString kFilter;
  static const QString kDefaultExt;
  // Shown when a chosen file's name cannot be kept in the settings file.
  static const QString kNameNotStoredNotice;

 private:
  AppSettings& m_settings;
  Platform& m_platform;
  std::function<void()> m_returnFocus;
};

// True when text survives a round trip through the settings file unchanged:
// every character has a CP932 form, no line break splits the entry, and the
// value fits the longest value a read returns.
bool SettingsCanHold(const QString& text);

}  // namespace shurencho
