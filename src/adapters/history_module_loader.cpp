#include <cstdio>
#include <mutex>

#include "adapters/history_module.h"
#include "adapters/music_player_loader.h"

namespace shurencho {

const HistoryModule* LoadHistoryModule(QString* error) {
  static const HistoryModule* module = nullptr;
  static QString why;
  // The history's own thread loads it, and a teacher's command the main one.
  static std::once_flag loaded;
  std::call_once(loaded, [] {
    using Get = const HistoryModule* (*)();
    QString reason;
    auto get = reinterpret_cast<Get>(
        ResolveModuleFunction("shurencho_history", "shurencho_history_module", &reason));
    module = get != nullptr ? get() : nullptr;
    if (module == nullptr) why = QStringLiteral("学習履歴のモジュールを読み込めません: ") + reason;
  });
  if (module == nullptr && error != nullptr) *error = why;
  return module;
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
