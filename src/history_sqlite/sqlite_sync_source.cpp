#include "history_sqlite/sqlite_sync_source.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>
#include <QVariant>
#include <array>

#include "history/history_reader.h"
#include "history/learner_name.h"
#include "history_sql/history_sql.h"

namespace shurencho {

namespace {

// The record tables in the order a batch is filled.
constexpr std::array<const char*, 4> kTables = {"drill_items", "typing_runs", "key_misses", "mouse_stages"};

bool Fail(QString* error, const QSqlError& e) {
  return SetError(error, QStringLiteral("学習履歴のファイル: ") + e.text());
}

// Up to *left rows of one table past what was sent to the server, oldest
// first; their learners go into *learners.
template <typename Record>
bool ReadUnsent(QSqlQuery& q, const QString& server, const char* table, const char* columns,
                Record (*from)(HistoryRow&, int), int* left, QList<QueuedRow<Record>>* out,
                QSet<qint64>* learners) {
  if (*left <= 0) return true;
  const QString name = QString::fromLatin1(table);
  // A mark above the table's last row means rows were taken away at the
  // end; new rows may take those numbers again, so they count from the
  // last row there is.
  q.prepare(
      QStringLiteral("SELECT MIN(COALESCE((SELECT last_id FROM sync_sent WHERE server = ? AND tbl = ?), 0), "
                     "COALESCE((SELECT MAX(rowid) FROM %1), 0))")
          .arg(name));
  q.addBindValue(server);
  q.addBindValue(name);
  if (!q.exec() || !q.next()) return false;
  const qint64 after = q.value(0).toLongLong();
  q.prepare(QStringLiteral("SELECT rowid, learner, %1 FROM %2 WHERE rowid > ? ORDER BY rowid LIMIT ?")
                .arg(QLatin1String(columns), name));
  q.addBindValue(after);
  q.addBindValue(*left);
  if (!q.exec()) return false;
  QueryRow row(q, 2);
  while (q.next()) {
    const qint64 learner = q.value(1).toLongLong();
    learners->insert(learner);
    out->append({q.value(0).toLongLong(), learner, from(row, 0)});
    --*left;
  }
  return true;
}

// Each learner's name, machine, school year, class and number, as the
// server is to know them. A file no program has given those columns yet
// has none.
bool NameLearners(QSqlQuery& q, const QSet<qint64>& learners, SyncBatch* batch) {
  if (!q.exec(QStringLiteral("SELECT name FROM pragma_table_info('learners') "
                             "WHERE name IN ('school_year', 'class_code', 'class_number')")))
    return false;
  QSet<QString> has;
  while (q.next()) has.insert(q.value(0).toString());
  const auto column = [&has](const char* name, const char* none) {
    return QLatin1String(has.contains(QLatin1String(name)) ? name : none);
  };
  q.prepare(QStringLiteral("SELECT name, machine, %1, %2, %3 FROM learners WHERE id = ?")
                .arg(column("school_year", "''"), column("class_code", "''"), column("class_number", "0")));
  for (const qint64 id : learners) {
    q.addBindValue(id);
    if (!q.exec()) return false;
    // A row whose learner is gone still goes, under a name that says so. A
    // name kept from before names were bounded goes cut, as the server
    // takes it.
    QString name, machine, year;
    if (q.next()) {
      name = CleanLearnerName(q.value(0).toString());
      machine = q.value(1).toString();
      year = q.value(2).toString();
      batch->places.insert(id, CleanLearnerClass({q.value(3).toString(), q.value(4).toInt()}));
    }
    if (name.isEmpty()) name = QStringLiteral("?%1").arg(id);
    batch->learners.insert(id, qMakePair(name, machine));
    batch->years.insert(id, year);
  }
  return true;
}

}  // namespace

std::unique_ptr<SqliteSyncSource> SqliteSyncSource::Open(const QString& path, const QString& server,
                                                         QString* error) {
  if (!QFileInfo(path).isFile()) {
    SetError(error, QStringLiteral("学習履歴のファイルがありません: ") + path);
    return nullptr;
  }
  const QString connection = NewConnectionName("shurencho-sync");
  std::unique_ptr<SqliteSyncSource> source(new SqliteSyncSource(connection, server));
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
  db.setDatabaseName(path);
  db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
  if (!db.open()) {
    Fail(error, db.lastError());
    return nullptr;
  }
  if (!source->Prepare(error)) return nullptr;
  return source;
}

SqliteSyncSource::~SqliteSyncSource() { CloseConnection(m_connection); }

bool SqliteSyncSource::Prepare(QString* error) {
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  QSqlQuery q(db);
  if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) return Fail(error, q.lastError());
  const auto fail = [&] {
    const QSqlError e = q.lastError();
    QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    return Fail(error, e);
  };
  if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS sync_origin (id TEXT NOT NULL)")) ||
      !q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS sync_sent (server TEXT NOT NULL, tbl TEXT NOT NULL, "
                             "last_id INTEGER NOT NULL, PRIMARY KEY (server, tbl))")) ||
      !q.exec(QLatin1String(kAssignmentsTable)) || !q.exec(QStringLiteral("SELECT id FROM sync_origin"))) {
    return fail();
  }
  if (q.next()) {
    m_origin = q.value(0).toString();
  } else {
    m_origin = QUuid::createUuid().toString(QUuid::WithoutBraces);
    q.prepare(QStringLiteral("INSERT INTO sync_origin (id) VALUES (?)"));
    q.addBindValue(m_origin);
    if (!q.exec()) return fail();
  }
  q.finish();
  if (!q.exec(QStringLiteral("COMMIT"))) return fail();
  return true;
}

bool SqliteSyncSource::Pending(int limit, SyncBatch* batch, QString* error) {
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  *batch = SyncBatch{};
  batch->origin = m_origin;
  QSqlQuery q(db);
  q.setForwardOnly(true);
  // One read transaction: the marks and the rows from the same moment.
  if (!q.exec(QStringLiteral("BEGIN"))) return Fail(error, q.lastError());
  using namespace history_columns;
  QSet<qint64> learners;
  int left = limit;
  // The tables in the order a batch is filled (kTables).
  if (!ReadUnsent(q, m_server, kTables[0], kItem, &ItemFrom, &left, &batch->items, &learners) ||
      !ReadUnsent(q, m_server, kTables[1], kRun, &RunFrom, &left, &batch->runs, &learners) ||
      !ReadUnsent(q, m_server, kTables[2], kMiss, &MissFrom, &left, &batch->misses, &learners) ||
      !ReadUnsent(q, m_server, kTables[3], kMouse, &MouseFrom, &left, &batch->mouse, &learners) ||
      !NameLearners(q, learners, batch)) {
    const QSqlError e = q.lastError();
    q.finish();
    QSqlQuery(db).exec(QStringLiteral("COMMIT"));
    return Fail(error, e);
  }
  q.finish();
  QSqlQuery(db).exec(QStringLiteral("COMMIT"));
  return true;
}

bool SqliteSyncSource::MarkSent(const SyncBatch& batch, QString* error) {
  if (batch.origin != m_origin)
    return SetError(error, QStringLiteral("学習履歴のファイルが入れ替わりました。"));
  std::array<qint64, kTables.size()> last{};
  for (const auto& r : batch.items) last[0] = std::max(last[0], r.localId);
  for (const auto& r : batch.runs) last[1] = std::max(last[1], r.localId);
  for (const auto& r : batch.misses) last[2] = std::max(last[2], r.localId);
  for (const auto& r : batch.mouse) last[3] = std::max(last[3], r.localId);
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  QSqlQuery q(db);
  if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) return Fail(error, q.lastError());
  q.prepare(QStringLiteral("INSERT OR REPLACE INTO sync_sent (server, tbl, last_id) VALUES (?, ?, ?)"));
  for (size_t i = 0; i < kTables.size(); ++i) {
    if (last[i] == 0) continue;
    q.addBindValue(m_server);
    q.addBindValue(QString::fromLatin1(kTables[i]));
    q.addBindValue(last[i]);
    if (!q.exec()) {
      const QSqlError e = q.lastError();
      QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
      return Fail(error, e);
    }
  }
  if (!q.exec(QStringLiteral("COMMIT"))) {
    const QSqlError e = q.lastError();
    QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    return Fail(error, e);
  }
  return true;
}

bool SqliteSyncSource::CurrentClass(QString* code, QString* error) {
  code->clear();
  QSqlQuery q(QSqlDatabase::database(m_connection, false));
  // A file no program has given the class column yet has no class.
  if (!q.exec(QStringLiteral("SELECT 1 FROM pragma_table_info('learners') WHERE name = 'class_code'")))
    return Fail(error, q.lastError());
  if (!q.next()) return true;
  // The learner this machine writes for, as the history store finds it.
  QString machine = QSysInfo::machineHostName();
  if (machine.isEmpty()) machine = QStringLiteral("localhost");
  q.prepare(
      QStringLiteral("SELECT l.class_code FROM current_learner c JOIN learners l ON l.id = c.learner "
                     "WHERE c.machine = ?"));
  q.addBindValue(machine);
  if (!q.exec()) return Fail(error, q.lastError());
  if (q.next()) *code = q.value(0).toString();
  return true;
}

bool SqliteSyncSource::KeepAssignments(const QList<Assignment>& assignments, QString* error) {
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  QSqlQuery q(db);
  if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) return Fail(error, q.lastError());
  bool ok = q.exec(QStringLiteral("DELETE FROM sync_assignments"));
  q.prepare(
      QStringLiteral("INSERT INTO sync_assignments (id, kind, course, passes, passage, until_ms, set_ms) "
                     "VALUES (?, ?, ?, ?, ?, ?, ?)"));
  for (qsizetype i = 0; ok && i < assignments.size(); ++i) {
    const Assignment& a = assignments[i];
    for (const QVariant& v :
         QVariantList{a.id, a.kind, a.course, a.passes, SqlText(a.passage), a.untilMs, a.setMs})
      q.addBindValue(v);
    ok = q.exec();
  }
  if (ok) ok = q.exec(QStringLiteral("COMMIT"));
  if (!ok) {
    const QSqlError e = q.lastError();
    QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    return Fail(error, e);
  }
  return true;
}

}  // namespace shurencho
