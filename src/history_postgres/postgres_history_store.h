#pragma once
// The class server: the same history on PostgreSQL, through Qt SQL's
// driver. The learners' machines only add rows to it (the sync sender);
// the teacher's class view reads it (the class table, and one learner's
// history for the 成績 window). A password never comes from the settings:
// the driver takes it from ~/.pgpass or PGPASSWORD.

#include <QList>
#include <QString>
#include <memory>

#include "history/history_records.h"
#include "history/sync_queue.h"
#include "report/class_roster.h"
#include "report/class_table.h"

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace shurencho {

class StallGuard;

// "postgresql://user@host:port/dbname?host=/socket/folder&port=5433".
struct ServerAddress {
  QString user;
  QString host;  // a name, an address, or a folder holding the server's socket
  int port = -1;
  QString database;
};
// False, with the reason in Japanese, for a text that is not such an
// address, or that holds a password.
bool ParseServerText(const QString& text, ServerAddress* address, QString* error);

// One learner as the server knows them.
struct ServerLearner {
  qint64 id = 0;
  QString name;
  QString machine;
  QString shown;                        // the name, with the machine when two learners share the name
  QString year;                         // the school year the learner's machine sent last; empty when none
  LearnerClass place = LearnerClass();  // the class and number sent last
};

// The sync queue's far end.
class PostgresSyncSender final : public SyncSender {
 public:
  static std::unique_ptr<PostgresSyncSender> Open(const QString& serverText, QString* error);
  ~PostgresSyncSender() override;
  PostgresSyncSender(const PostgresSyncSender&) = delete;
  PostgresSyncSender& operator=(const PostgresSyncSender&) = delete;

  bool Send(const SyncBatch& batch, QString* error) override;
  void Interrupt() override;
  bool SendPresence(const Presence& presence, QString* error) override;
  bool ReadAssignments(const QString& classCode, HistoryTime nowMs, QList<Assignment>* out,
                       QString* error) override;

 private:
  PostgresSyncSender(QString connection, std::unique_ptr<StallGuard> guard);
  // The server's number of each learner in the batch; *made gets those
  // not known before this transaction.
  bool ServerIds(QSqlQuery& q, const SyncBatch& batch, QHash<qint64, qint64>* ids,
                 QHash<QString, qint64>* made, QSqlError* failed);
  // Every row of the batch, inside the caller's transaction.
  bool AddRows(QSqlDatabase& db, const SyncBatch& batch, QHash<QString, qint64>* made, QSqlError* failed);
  QString m_connection;
  std::unique_ptr<StallGuard> m_guard;
  // name + machine + year + class + number -> the server's number, as
  // committed: any of them changed since is sent again with the next rows.
  QHash<QString, qint64> m_learnerIds;
  // The server takes the school year (a server set up before it does not).
  bool m_sendsYears = false;
  // The server takes the class and number too.
  bool m_sendsPlaces = false;
  // The server keeps where each learner is (a server set up before does not).
  bool m_keepsPresence = false;
};

// The class as the teacher sees it: one row per learner, rows ordered as learners.
struct ClassOnServer {
  QList<ServerLearner> learners;
  QList<ClassRow> rows;
};
// The live class, or with archivedYear the school year archived as that.
// Gives up after some seconds when the server stops answering; the
// connection itself may hang longer while it is being made.
bool ReadClassFromServer(const QString& serverText, ClassOnServer* out, QString* error, int archivedYear = 0);

// The rows shurencho_archive_class moved, per table.
struct ArchivedRows {
  qint64 drillItems = 0;
  qint64 typingRuns = 0;
  qint64 keyMisses = 0;
  qint64 mouseStages = 0;
  qint64 total() const { return drillItems + typingRuns + keyMisses + mouseStages; }
};
// Moves class classCode's rows of school year `year` (April to March in
// local time) to the server's archive, in one transaction.
bool ArchiveClassOnServer(const QString& serverText, const QString& classCode, int year, ArchivedRows* moved,
                          QString* error);

// Puts a class's list (名簿) on the server in place of the one it had, in one
// transaction, as the teacher's role. Bounded like the read.
bool StoreRosterOnServer(const QString& serverText, const QString& classCode,
                         const QList<RosterEntry>& entries, QString* error);

// Sets a class's assignment as the teacher's role (the class is added to the
// codes when new): its number on the server, or 0 with the reason.
int StoreAssignmentOnServer(const QString& serverText, const QString& classCode, const Assignment& assignment,
                            QString* error);
// The assignment in a row's columns from `first` on: id, kind, course,
// passes, passage, until_ms, set_ms.
Assignment AssignmentFrom(const QSqlQuery& q, int first);
// A class's assignments, every class's when classCode is empty, the newest last.
bool ReadAssignmentsOnServer(const QString& serverText, const QString& classCode,
                             QList<QPair<QString, Assignment>>* out, QString* error);

// One learner's history on the server, read-only: what the 成績 window reads
// when the teacher opens a learner from the class view.
class PostgresHistoryStore final : public HistoryStore {
 public:
  static std::unique_ptr<PostgresHistoryStore> Open(const QString& serverText, const ServerLearner& learner,
                                                    QString* error);
  ~PostgresHistoryStore() override;
  PostgresHistoryStore(const PostgresHistoryStore&) = delete;
  PostgresHistoryStore& operator=(const PostgresHistoryStore&) = delete;

  QString LearnerName() const override { return m_learner.shown; }
  QString LearnerYear() const override { return m_learner.year; }
  // The class view only reads: names are changed on the learner's machine.
  bool SetLearnerName(const QString& name, QString* error = nullptr) override;
  bool Write(const HistoryBatch& batch, QString* error = nullptr) override;
  LearnerHistory Read(int weakest = 10, QString* error = nullptr) override;

 private:
  PostgresHistoryStore(QString connection, ServerLearner learner, std::unique_ptr<StallGuard> guard);
  QString m_connection;
  ServerLearner m_learner;
  std::unique_ptr<StallGuard> m_guard;
};

}  // namespace shurencho
