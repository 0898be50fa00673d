#include "adapters/module_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace shurencho {

QString CheckModuleHeader(const ModuleHeader* header, std::uint32_t abiVersion, std::size_t size,
                          const char* name) {
  const QString module = QLatin1String(name);
  if (header == nullptr) return QStringLiteral("%1 が関数の表を返しません").arg(module);
  if (header->abiVersion != abiVersion) {
    return QStringLiteral("%1 は別の版のモジュールです（版 %2、このプログラムは版 %3）")
        .arg(module)
        .arg(header->abiVersion)
        .arg(abiVersion);
  }
  if (header->size < size) {
    return QStringLiteral("%1 は別の版のモジュールです（関数の表が %2 バイト、このプログラムは %3 バイト）")
        .arg(module)
        .arg(header->size)
        .arg(size);
  }
  return {};
}

ModuleEntry ResolveModuleEntry(const char* name, const char* symbol, QString* error) {
  const QDir bin(QCoreApplication::applicationDirPath());
  const QString module = QLatin1String(name);
  const QStringList places = {bin.filePath(module),
                              bin.filePath(QStringLiteral(SHURENCHO_MODULE_DIR "/") + module)};
  QString why;
  for (const QString& place : places) {
    QLibrary library(place);
    if (const ModuleEntry entry = library.resolve(symbol)) return entry;
    if (why.isEmpty() || library.errorString().contains(place)) why = library.errorString();
  }
  if (error) *error = why;
  return nullptr;
}

}  // namespace shurencho
