// The history file's places as the store knows them.
#include <QFileInfo>

#include "adapters/history_path.h"
#include "history_sqlite/sqlite_history_store.h"

namespace shurencho {

QString SqliteHistoryStore::SidePath(const QString& path) {
  // Beside the name given, not beside where a link at it leads.
  return QFileInfo(path).absolutePath() + QStringLiteral("/shurencho-history.sqlite");
}

QString SqliteHistoryStore::DefaultPath() { return DefaultHistoryPath(); }

bool SqliteHistoryStore::Check(const QString& path, QString* error, bool* foreign) {
  return CheckHistoryFile(path, error, foreign);
}

}  // namespace shurencho
