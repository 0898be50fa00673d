#pragma once
// Opens documents with the desktop's opener.

#include "platform/platform.h"

class XdgHelpLauncher final : public HelpLauncher {
 public:
  QString FindOpener(const QString& document) override;
  int Start(const QString& program, const QStringList& args) override;
};
