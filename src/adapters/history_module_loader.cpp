#include <cstdio>

#include "adapters/history_module.h"

namespace shurencho {

const HistoryModule* LoadHistoryModule(QString* error) {
  const ModuleLoad<HistoryModule>& module = LoadModule<HistoryModule>();
  if (module.api == nullptr && error != nullptr)
    *error = QStringLiteral("学習履歴のモジュールを読み込めません: ") + module.error;
  return module.api;
}

HistoryOpenResult OpenHistoryFile(const QString& path, const BusyWait& wait) {
  HistoryOpenResult r;
  r.file = path;
  const HistoryModule* module = LoadHistoryModule(&r.reason);
  return module != nullptr ? module->openFile(path, wait) : std::move(r);
}

int RunHistoryCommand(int (*HistoryModule::*command)(int, char**), int argc, char** argv) {
  QString error;
  const HistoryModule* module = LoadHistoryModule(&error);
  if (module == nullptr) {
    std::fprintf(stderr, "shurencho: %s\n", error.toLocal8Bit().constData());
    return 1;
  }
  return (module->*command)(argc, argv);
}

}  // namespace shurencho
