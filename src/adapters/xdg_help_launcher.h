#pragma once
// Opens documents with the desktop's opener (xdg-open). The opener is started
// from an argument vector, never through a shell, so a path holding blanks,
// quotes or "$(...)" reaches it as it is.

#include "platform/platform.h"

namespace shurencho {

class XdgHelpLauncher final : public HelpLauncher {
 public:
  // The full path of xdg-open on PATH, or empty when it is not installed.
  QString FindOpener(const QString& document) override;
  // Starts program in a process group of its own and does not wait for it.
  // Returns 0, or the system's error number when it cannot be started.
  int Start(const QString& program, const QStringList& args) override;
};

}  // namespace shurencho
