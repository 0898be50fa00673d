// The learning history's database code as a module of its own: Qt SQL,
// SQLite and the PostgreSQL client are loaded at the first record, not at
// start-up.
#include "adapters/history_module.h"

#include "history_module/class_window.h"
#include "history_postgres/postgres_class_command.h"
#include "history_postgres/postgres_history_store.h"
#include "history_sqlite/sqlite_history_store.h"
#include "history_sqlite/sqlite_sync_source.h"

namespace {

using namespace shurencho;

HistoryOpenResult OpenFile(const QString& path, const BusyWait& wait) {
  return SqliteHistoryStore::OpenForTrainer(path, wait);
}

std::unique_ptr<SyncSource> OpenSyncSource(const QString& path, const QString& server, QString* error) {
  return SqliteSyncSource::Open(path, server, error);
}

std::unique_ptr<SyncSender> OpenSyncSender(const QString& server, QString* error) {
  return PostgresSyncSender::Open(server, error);
}

const HistoryModule kModule{
    .header = ModuleHeaderOf<HistoryModule>(),
    .openFile = &OpenFile,
    .openSyncSource = &OpenSyncSource,
    .openSyncSender = &OpenSyncSender,
    .classReport = &RunClassReportCommand,
    .classWindow = &RunClassWindow,
    .classArchive = &RunClassArchiveCommand,
    .classRoster = &RunClassRosterCommand,
    .classAssign = &RunClassAssignCommand,
};

}  // namespace

extern "C" Q_DECL_EXPORT const shurencho::HistoryModule* shurencho_history_module_table() { return &kModule; }
