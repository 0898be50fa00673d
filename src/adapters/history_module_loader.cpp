#include <cstdio>

#include "adapters/history_module.h"
#include "adapters/music_player_loader.h"

namespace shurencho {

const HistoryModule* LoadHistoryModule(QString* error) {
  static const HistoryModule* module = nullptr;
  static QString why;
  if (module == nullptr && why.isEmpty()) {
    using Get = const HistoryModule* (*)();
    QString reason;
    auto get = reinterpret_cast<Get>(
        ResolveModuleFunction("shurencho_history", "shurencho_history_module", &reason));
    module = get != nullptr ? get() : nullptr;
    if (module == nullptr) why = QStringLiteral("学習履歴のモジュールを読み込めません: ") + reason;
  }
  if (module == nullptr && error != nullptr) *error = why;
  return module;
}

std::unique_ptr<HistoryStore> OpenHistoryFile(const QString& path, QString* error) {
  const HistoryModule* module = LoadHistoryModule(error);
  return module != nullptr ? module->openFile(path, error) : nullptr;
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
