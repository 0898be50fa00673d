#include "ui/xdg_help_launcher.h"

#include <QProcess>
#include <QStandardPaths>

QString XdgHelpLauncher::FindOpener(const QString&) {
  return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

int XdgHelpLauncher::Start(const QString& program, const QStringList& args) {
  qint64 pid = 0;
  return QProcess::startDetached(program, args, QString(), &pid) ? 0 : 2;
}
