#pragma once
// The learning history in an SQLite file of the user's own
// ($XDG_DATA_HOME/shurencho/history.sqlite), through Qt SQL. The file is in
// WAL mode, so the 成績 window may read while a page writes; every write is
// one transaction that waits for, and retries past, another copy of the
// program writing at the same moment. The tables are those of
// history/history_schema.h, brought forward by the file's user_version.

#include <QString>
#include <memory>

#include "history/history_records.h"

namespace shurencho {

class SqliteHistoryStore final : public HistoryStore {
 public:
  // $XDG_DATA_HOME/shurencho/history.sqlite (~/.local/share when unset).
  static QString DefaultPath();

  // Opens the file at path, making its folder and the file when missing,
  // and chooses this machine's learner (the login name the first time).
  // Null, with the reason in Japanese in *error, when the file cannot be
  // used: damaged, not a database, written by a newer program, read-only,
  // locked by another program past the wait, or its folder cannot be made.
  static std::unique_ptr<SqliteHistoryStore> Open(const QString& path, QString* error = nullptr);

  // What can be told of the file without SQLite, so that start-up can say
  // the history is off while the library itself loads only at the first
  // record: its folder can be made, the file (when there is one) is a
  // regular file this user may read and write, in a folder it may write
  // (the journal lives beside it), and its header is an SQLite file's of a
  // schema this program knows. False, with the reason as Open gives it.
  static bool Check(const QString& path, QString* error = nullptr);

  ~SqliteHistoryStore() override;
  SqliteHistoryStore(const SqliteHistoryStore&) = delete;
  SqliteHistoryStore& operator=(const SqliteHistoryStore&) = delete;

  const QString& path() const { return m_path; }
  // The host name that tells this machine's learners apart.
  const QString& machine() const { return m_machine; }

  QString LearnerName() const override { return m_learnerName; }
  // Renames this machine's learner (the records follow); when another
  // learner of this machine already has the name, writes for that one instead.
  bool SetLearnerName(const QString& name, QString* error = nullptr) override;
  bool Write(const HistoryBatch& batch, QString* error = nullptr) override;
  LearnerHistory Read(int weakest = 10, QString* error = nullptr) override;
  QStringList WeakestUnits(int count, QString* error = nullptr) override;

  // The login name: $USER, else the password entry of this user.
  static QString LoginName();

 private:
  SqliteHistoryStore(QString connection, QString path);
  bool Prepare(QString* error);
  // Runs body in a write transaction, again when another writer held the
  // file past the busy wait. body returns false (and sets *error) to roll back.
  template <typename F>
  bool InWriteTransaction(F&& body, QString* error);

  QString m_connection;  // Qt SQL connection name, one per store
  QString m_path;
  QString m_machine;
  QString m_learnerName;
  qint64 m_learner = 0;
};

}  // namespace shurencho
