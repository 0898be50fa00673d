#include "report/export_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace shurencho {

namespace {

bool WritableFolder(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.isDir() && info.isWritable();
}

QString& LastFolder() {
  static QString last;
  return last;
}

}  // namespace

QString ChooseExportFolder(const QString& lastFolder, const QString& documents, const QString& home) {
  if (WritableFolder(lastFolder)) return lastFolder;
  if (WritableFolder(documents)) return documents;
  return home;
}

QString ExportFolder() {
  return ChooseExportFolder(LastFolder(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                            QDir::homePath());
}

void RememberExportFolder(const QString& fileWritten) {
  LastFolder() = QFileInfo(fileWritten).absolutePath();
}

}  // namespace shurencho
