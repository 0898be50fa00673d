#pragma once
// The learning history's database code (Qt SQL, SQLite and the PostgreSQL
// client behind it) is a module of its own, loaded at the first record or
// by a teacher's command, so that starting the trainer links none of it.

#include <QString>
#include <memory>

#include "adapters/module_loader.h"
#include "history/history_records.h"
#include "history/sync_queue.h"

namespace shurencho {

struct HistoryModule {
  static constexpr const char* kName = "shurencho_history";
  static constexpr const char* kEntry = "shurencho_history_module_table";
  // Raised whenever a function below changes or moves.
  static constexpr std::uint32_t kAbiVersion = 6;

  ModuleHeader header;
  // The trainer's history file (see SqliteHistoryStore::OpenForTrainer).
  HistoryOpenResult (*openFile)(const QString& path, const BusyWait& wait);
  // The file as the sync queue's source, and the class server as its sender.
  std::unique_ptr<SyncSource> (*openSyncSource)(const QString& path, const QString& server, QString* error);
  std::unique_ptr<SyncSender> (*openSyncSender)(const QString& server, QString* error);
  // `--class-report` (with a QCoreApplication) and `--class` (with a
  // QApplication): the exit code.
  int (*classReport)(int argc, char** argv);
  int (*classWindow)(int argc, char** argv);
  // `--class-archive` (with a QCoreApplication).
  int (*classArchive)(int argc, char** argv);
  // `--class-roster` (with a QCoreApplication): the exit code.
  int (*classRoster)(int argc, char** argv);
  // `--class-assign` (with a QCoreApplication): the exit code.
  int (*classAssign)(int argc, char** argv);
};

// The module, loaded the first time it is asked for; null when it cannot
// be (why, in Japanese, in *error). Any thread may ask.
const HistoryModule* LoadHistoryModule(QString* error = nullptr);

// The trainer's history file opened through the module; without the
// module, no store and the reason (a fault that does not pass).
HistoryOpenResult OpenHistoryFile(const QString& path, const BusyWait& wait);

// A teacher's command run by the module; when the module is missing, says
// so on stderr and returns 1.
int RunHistoryCommand(int (*HistoryModule::*command)(int, char**), int argc, char** argv);

}  // namespace shurencho
