#pragma once
// The local history file as the sync queue's source. What was sent is kept
// in the file itself, per server and per table, as the highest row number
// the server confirmed (the record tables only ever grow). The file gets an
// identity of its own on the first sync, so a file made afresh never takes
// over the ids of the one before it.

#include <QString>
#include <memory>

#include "history/sync_queue.h"

namespace shurencho {

class SqliteSyncSource final : public SyncSource {
 public:
  // Opens its own connection to the file at path (a history file made by
  // SqliteHistoryStore). server names the server the marks are kept for.
  static std::unique_ptr<SqliteSyncSource> Open(const QString& path, const QString& server, QString* error);
  ~SqliteSyncSource() override;
  SqliteSyncSource(const SqliteSyncSource&) = delete;
  SqliteSyncSource& operator=(const SqliteSyncSource&) = delete;

  bool Pending(int limit, SyncBatch* batch, QString* error) override;
  bool MarkSent(const SyncBatch& batch, QString* error) override;
  bool CurrentClass(QString* code, QString* error) override;
  bool KeepAssignments(const QList<Assignment>& assignments, QString* error) override;

  const QString& origin() const { return m_origin; }

 private:
  SqliteSyncSource(QString connection, QString server)
      : m_connection(std::move(connection)), m_server(std::move(server)) {}
  bool Prepare(QString* error);

  QString m_connection;
  QString m_server;
  QString m_origin;
};

}  // namespace shurencho
