#include "platform/data_dirs.h"

#include <QDir>
#include <QFileInfo>

namespace shurencho {

namespace {
constexpr char kDataFolder[] = "shurencho";
}  // namespace

QStringList InstalledDataDirs(const QString& programPath) {
  QStringList candidates;
  if (!programPath.isEmpty()) {
    const QDir bin = QFileInfo(programPath).absoluteDir();
    candidates << QDir::cleanPath(bin.filePath(QStringLiteral("../share/")) + QLatin1Char('/') +
                                  QLatin1String(kDataFolder));
  }
  QString xdg = qEnvironmentVariable("XDG_DATA_DIRS");
  if (xdg.isEmpty()) xdg = QStringLiteral("/usr/local/share:/usr/share");
  for (const QString& dir : xdg.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
    // Only absolute entries count: a relative one would depend on where the
    // program happens to be started.
    if (!QDir::isAbsolutePath(dir)) continue;
    candidates << QDir::cleanPath(dir + QLatin1Char('/') + QLatin1String(kDataFolder));
  }
  QStringList found;
  for (const QString& dir : candidates) {
    if (!found.contains(dir) && QFileInfo(dir).isDir()) found << dir;
  }
  return found;
}

QString FindInstalled(const QString& name, const QString& programPath) {
  for (const QString& dir : InstalledDataDirs(programPath)) {
    const QString path = dir + QLatin1Char('/') + name;
    if (QFileInfo::exists(path)) return path;
  }
  return QString();
}

QString FindDataFile(const QString& name, const QString& programPath) {
  if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) return name;
  if (QFileInfo::exists(name)) return name;
  const QString installed = FindInstalled(name, programPath);
  return installed.isEmpty() ? name : installed;
}

QString PracticeTextFolder(const QString& programPath) {
  const QString texts = QStringLiteral("texts");
  QStringList dirs;
  if (!programPath.isEmpty()) dirs << QFileInfo(programPath).absolutePath();
  dirs << InstalledDataDirs(programPath);
  for (const QString& dir : dirs) {
    const QString path = dir + QLatin1Char('/') + texts;
    if (QFileInfo(path).isDir()) return path;
  }
  return QString();
}

}  // namespace shurencho
