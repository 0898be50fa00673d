#pragma once
// The learning history in an SQLite file of the user's own
// ($XDG_DATA_HOME/shurencho/history.sqlite), through Qt SQL. The file is in
// WAL mode, so the 成績 window may read while a page writes; every write is
// one transaction that waits for, and retries past, another copy of the
// program writing at the same moment. The tables are those of
// history/history_schema.h, brought forward by the file's user_version.

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>

#include "history/history_records.h"
#include "history/history_schema.h"

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

  // The marker written into every history file this program makes or
  // brings forward (PRAGMA application_id).
  static constexpr qint32 kApplicationId = history_schema::kApplicationId;

  // Opens the trainer's history at path. A database of another program
  // there (another marker, or unmarked with tables that are not ours) is
  // never written: the history goes to shurencho-history.sqlite beside it,
  // and the note says so. The reason says why there is no store, and
  // `passing` whether trying again later may help (a lock, a full disk).
  // The opening, its checks and its first writes wait for a lock as `wait` says.
  static HistoryOpenResult OpenForTrainer(const QString& path, const BusyWait& wait = {});
  // The file used beside another program's database.
  static QString SidePath(const QString& path);

  // What can be told of the file without SQLite, so that start-up can say
  // the history is off while the library itself loads only at the first
  // record: its folder can be made, the file (when there is one) is a
  // regular file this user may read and write, in a folder it may write
  // (the journal lives beside it), and its header is an SQLite file's of a
  // schema this program knows. False, with the reason as Open gives it.
  // A file marked by another program sets *foreign as well.
  static bool Check(const QString& path, QString* error = nullptr, bool* foreign = nullptr);

  ~SqliteHistoryStore() override;
  SqliteHistoryStore(const SqliteHistoryStore&) = delete;
  SqliteHistoryStore& operator=(const SqliteHistoryStore&) = delete;

  const QString& path() const { return m_path; }
  // The host name that tells this machine's learners apart.
  const QString& machine() const { return m_machine; }

  QString LearnerName() const override { return m_learnerName; }
  // Renames this machine's learner (the records follow); when another
  // learner of this machine already has the name, writes for that one instead.
  // A learner switched to who has no year yet is given the current one.
  bool SetLearnerName(const QString& name, QString* error = nullptr) override;
  QString LearnerYear() const override { return m_learnerYear; }
  bool SetLearnerYear(const QString& year, QString* error = nullptr) override;
  LearnerClass ClassOfLearner() const override { return m_learnerPlace; }
  bool SetClassOfLearner(const LearnerClass& place, QString* error = nullptr) override;
  bool Assignments(HistoryTime nowMs, QList<AssignmentProgress>* out, QString* error = nullptr) override;
  bool Write(const HistoryBatch& batch, QString* error = nullptr) override;
  bool WriteAll(const QList<HistoryBatch>& batches, QString* error = nullptr) override;
  void SetBusyWait(BusyWait keepWaiting) override { m_keepWaiting = std::move(keepWaiting); }
  LearnerHistory Read(int weakest = 10, QString* error = nullptr) override;
  QStringList WeakestUnits(int count, QString* error = nullptr) override;

  // The login name: $USER, else the password entry of this user.
  static QString LoginName();

 private:
  enum class Fault { None, Passing, Lasting, Foreign };
  SqliteHistoryStore(QString connection, QString path);
  static std::unique_ptr<SqliteHistoryStore> OpenAt(const QString& path, QString* error, Fault* fault,
                                                    const BusyWait& wait);
  // Whether the open file is ours to write: false, with the fault, when it
  // is another program's, damaged, or cannot be read now.
  bool Inspect(QString* error, Fault* fault);
  // Makes the open file ready for writing: WAL, the schema's current
  // version, and this machine's learner chosen.
  bool Prepare(QString* error);
  bool UseWal(QString* error);
  bool Migrate(QString* error);
  bool ChooseLearner(QString* error);
  static int OnBusy(void* store, int count);
  // Runs body in a write transaction, again when another writer held the
  // file past the busy wait. body returns false (and sets *error) to roll back.
  template <typename F>
  bool InWriteTransaction(F&& body, QString* error);

  QString m_connection;  // Qt SQL connection name, one per store
  QString m_path;
  QString m_machine;
  QString m_learnerName;
  bool m_learnerNameCut = false;  // the file's name is longer than m_learnerName
  QString m_learnerYear;          // the learner's school year; empty: none chosen
  LearnerClass m_learnerPlace;    // the learner's class and number; none when not set
  qint64 m_learner = 0;
  BusyWait m_keepWaiting;     // null: the store's own wait
  QElapsedTimer m_busyClock;  // the current wait for a lock
};

}  // namespace shurencho
