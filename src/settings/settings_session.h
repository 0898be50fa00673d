#pragma once
// One run's hold on the settings file, from start-up to close. The first copy
// of the program to start takes an advisory lock beside the file and is the
// one that keeps its records; a second copy started meanwhile is told so at
// once, reads the file without writing to it, and does not save at close.
// The lock is flock(2): the system drops it when a copy ends or is killed, so
// it never goes stale.

#include <QString>
#include <QStringList>

#include "settings/settings.h"

namespace shurencho {

class SettingsSession final {
 public:
  explicit SettingsSession(QString path);
  ~SettingsSession();
  SettingsSession(const SettingsSession&) = delete;
  SettingsSession& operator=(const SettingsSession&) = delete;

  const QString& path() const { return m_path; }

  // Start-up: takes the lock, then LoadSettings(s, true, path). Returns the
  // warnings to show, in order (none when all went well).
  QStringList Load(AppSettings& s);
  // Close: SaveSettings, unless this run may not write the file. Throws
  // SettingsError when the save fails or the file could not be read at start-up;
  // a second copy returns quietly, as it said at start-up.
  void Save(const AppSettings& s);

 private:
  // False when another copy holds the lock.
  bool Lock();

  enum class Saving { Yes, Refused, OtherCopy };
  QString m_path;
  int m_lockFd = -1;
  Saving m_saving = Saving::Yes;
};

// Said by a copy started while another one runs.
inline constexpr char kOtherCopyWarning[] =
    "打鍵修練帖がすでに起動しています。\r\nこちらで練習した記録は保存されません。";

}  // namespace shurencho
