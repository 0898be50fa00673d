#include "history_sqlite/sqlite_history_store.h"

#include <pwd.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>
#include <QVariant>
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <tuple>

#include "adapters/history_path.h"
#include "history/assignment.h"
#include "history/history_reader.h"
#include "history/history_schema.h"
#include "history/learner_name.h"
#include "history_sql/history_sql.h"

namespace shurencho {

namespace {

// How often a transaction that still found the file busy is tried again
// (one statement waits kBusyTimeoutMs unless the owner says otherwise).
constexpr int kWriteAttempts = 4;
// How long a batch's id is kept in the journal's ledger.
constexpr qint64 kLedgerDays = 90;

// SQLite's primary result code (extended codes keep it in the low byte), as
// Qt's driver reports it; -1 when there is none.
int PrimaryCode(const QSqlError& e) {
  bool ok = false;
  const int code = e.nativeErrorCode().toInt(&ok);
  return ok ? code & 0xff : -1;
}
bool IsBusy(const QSqlError& e) {
  const int code = PrimaryCode(e);
  return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

// A fault that may pass by itself: a lock, a full disk, a file that cannot
// be opened now. A damaged file stays damaged.
bool Passing(int code) { return code != SQLITE_CORRUPT && code != SQLITE_NOTADB; }

QString Reason(const QSqlError& e) {
  switch (PrimaryCode(e)) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return history_reason::Damaged();
    case SQLITE_READONLY:
      return history_reason::ReadOnly();
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return QStringLiteral("ほかのプログラムがファイルを使用中です。");
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
      return history_reason::CannotOpen();
    case SQLITE_FULL:
      return QStringLiteral("空き容量が足りません。");
    default:
      return QStringLiteral("データベースのエラー: ") + e.text();
  }
}

QSqlQuery Run(QSqlDatabase& db, const QString& sql, bool* ok) {
  QSqlQuery q(db);
  *ok = q.exec(sql);
  return q;
}

// The driver's own connection, for the bulk reads.
sqlite3* Handle(const QSqlDatabase& db) {
  const QVariant v = db.driver()->handle();
  if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0) return nullptr;
  return *static_cast<sqlite3* const*>(v.constData());
}

// SELECTs with one learner bound, read row by row straight from the
// driver's connection: the runs and the stages are the bulk of a long
// history (a hundred thousand rows), and this is three times quicker than a
// QVariant per value. Texts repeat from row to row (a grade mark, a text's
// name) and share one string when they do.
class SqliteRows final : public HistoryRows {
 public:
  SqliteRows(sqlite3* db, qint64 learner) : m_db(db), m_learner(learner) {}
  ~SqliteRows() override { sqlite3_finalize(m_stmt); }
  SqliteRows(const SqliteRows&) = delete;
  SqliteRows& operator=(const SqliteRows&) = delete;

  bool Select(const char* sql) override {
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_rc = sqlite3_prepare_v2(m_db, sql, -1, &m_stmt, nullptr);
    if (m_rc == SQLITE_OK) m_rc = sqlite3_bind_int64(m_stmt, 1, m_learner);
    return m_rc == SQLITE_OK;
  }
  bool Next() override {
    if (m_rc != SQLITE_OK && m_rc != SQLITE_ROW) return false;
    m_rc = sqlite3_step(m_stmt);
    return m_rc == SQLITE_ROW;
  }
  bool Done() override { return m_rc == SQLITE_DONE; }
  QString error() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }
  qint64 Int64(int c) override { return sqlite3_column_int64(m_stmt, c); }
  int Int(int c) override { return sqlite3_column_int(m_stmt, c); }
  double Double(int c) override { return sqlite3_column_double(m_stmt, c); }
  QString Text(int c) override {
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, c));
    const int bytes = sqlite3_column_bytes(m_stmt, c);
    QByteArray& raw = m_lastRaw[static_cast<size_t>(c) % kTextSlots];
    QString& decoded = m_lastText[static_cast<size_t>(c) % kTextSlots];
    if (raw.size() != bytes ||
        (bytes > 0 && std::memcmp(raw.constData(), text, static_cast<size_t>(bytes)) != 0)) {
      raw = QByteArray(text, bytes);
      decoded = QString::fromUtf8(raw);
    }
    return decoded;
  }

 private:
  static constexpr size_t kTextSlots = 16;
  sqlite3* m_db;
  qint64 m_learner;
  sqlite3_stmt* m_stmt = nullptr;
  int m_rc = SQLITE_OK;
  std::array<QByteArray, kTextSlots> m_lastRaw;
  std::array<QString, kTextSlots> m_lastText;
};

// Inserts one table's records for the learner.
template <typename Record>
bool InsertAll(QSqlQuery& q, qint64 learner, const char* table, const char* columns,
               const QList<Record>& records, QSqlError* failed) {
  if (records.isEmpty()) return true;
  q.prepare(InsertSql(table, columns, false));
  for (const Record& r : records) {
    q.addBindValue(learner);
    for (const QVariant& v : RecordValues(r)) q.addBindValue(v);
    if (!q.exec()) return *failed = q.lastError(), false;
  }
  return true;
}

// Adds the judged keys of a batch's items to the learner's count.
bool AddKeystrokes(QSqlQuery& q, qint64 learner, const QList<DrillItemRecord>& items, QSqlError* failed) {
  if (items.isEmpty()) return true;
  qint64 keystrokes = 0;
  for (const DrillItemRecord& r : items) keystrokes += r.keystrokes;
  q.prepare(QStringLiteral("UPDATE key_tally SET keystrokes = keystrokes + ? WHERE learner = ?"));
  q.addBindValue(keystrokes);
  q.addBindValue(learner);
  if (!q.exec()) return *failed = q.lastError(), false;
  if (q.numRowsAffected() > 0) return true;
  q.prepare(QStringLiteral("INSERT INTO key_tally (learner, keystrokes) VALUES (?, ?)"));
  q.addBindValue(learner);
  q.addBindValue(keystrokes);
  if (!q.exec()) return *failed = q.lastError(), false;
  return true;
}

// Counts a batch's misses into the tally, by unit, key pressed and key expected.
bool TallyMisses(QSqlDatabase& d, qint64 learner, const QList<KeyMissRecord>& misses, QSqlError* failed) {
  using Key = std::tuple<QString, QString, QString>;
  QMap<Key, int> tally;
  for (const KeyMissRecord& r : misses) {
    ++tally[Key{SqlText(r.unit).toString(), SqlText(r.key).toString(), SqlText(r.expected).toString()}];
  }
  QSqlQuery update(d);
  update.prepare(
      QStringLiteral("UPDATE miss_tally SET misses = misses + ? "
                     "WHERE learner = ? AND unit = ? AND pressed = ? AND expected = ?"));
  QSqlQuery insert(d);
  insert.prepare(QStringLiteral(
      "INSERT INTO miss_tally (learner, unit, pressed, expected, misses) VALUES (?, ?, ?, ?, ?)"));
  for (auto it = tally.cbegin(); it != tally.cend(); ++it) {
    const auto& [unit, key, expected] = it.key();
    for (const QVariant& v :
         {QVariant(it.value()), QVariant(learner), QVariant(unit), QVariant(key), QVariant(expected)}) {
      update.addBindValue(v);
    }
    if (!update.exec()) return *failed = update.lastError(), false;
    if (update.numRowsAffected() > 0) continue;
    for (const QVariant& v :
         {QVariant(learner), QVariant(unit), QVariant(key), QVariant(expected), QVariant(it.value())}) {
      insert.addBindValue(v);
    }
    if (!insert.exec()) return *failed = insert.lastError(), false;
  }
  return true;
}

// Brings the open database from its version to `to`, unless it is there
// already; *newer when it belongs to a newer program.
bool StepTo(QSqlDatabase& d, int to, bool* newer, QSqlError* failed) {
  bool done = false;
  QSqlQuery v = Run(d, QStringLiteral("PRAGMA user_version"), &done);
  if (!done || !v.next()) return *failed = v.lastError(), false;
  const int version = v.value(0).toInt();
  if (version > history_schema::kVersion) return *newer = true, false;
  if (version >= to) return true;
  for (const QString& sql : history_schema::Step(to)) {
    QSqlQuery q = Run(d, sql, &done);
    if (!done) return *failed = q.lastError(), false;
  }
  QSqlQuery set = Run(d, QStringLiteral("PRAGMA user_version = %1").arg(to), &done);
  if (!done) *failed = set.lastError();
  return done;
}

// The learner this machine writes for: the one it wrote for last, else the
// login's, made when new. Sets *id and *name.
bool FindLearner(QSqlQuery& q, const QString& machine, const QString& login, qint64* id, QString* name) {
  q.prepare(
      QStringLiteral("SELECT l.id, l.name FROM current_learner c JOIN learners l ON l.id = c.learner "
                     "WHERE c.machine = ?"));
  q.addBindValue(machine);
  if (!q.exec()) return false;
  *name = login;
  if (q.next()) {
    *id = q.value(0).toLongLong();
    *name = q.value(1).toString();
    return true;
  }
  q.prepare(QStringLiteral("SELECT id FROM learners WHERE name = ? AND machine = ?"));
  q.addBindValue(login);
  q.addBindValue(machine);
  if (!q.exec()) return false;
  if (q.next()) {
    *id = q.value(0).toLongLong();
    return true;
  }
  if (!q.exec(QStringLiteral("SELECT COALESCE(MAX(id), 0) + 1 FROM learners")) || !q.next()) return false;
  *id = q.value(0).toLongLong();
  q.prepare(QStringLiteral("INSERT INTO learners (id, name, machine) VALUES (?, ?, ?)"));
  q.addBindValue(*id);
  q.addBindValue(login);
  q.addBindValue(machine);
  return q.exec();
}

// Adds a column to learners where the file lacks it.
bool AddLearnerColumn(QSqlQuery& q, const QString& name, const QString& definition) {
  q.prepare(QStringLiteral("SELECT 1 FROM pragma_table_info('learners') WHERE name = ?"));
  q.addBindValue(name);
  if (!q.exec()) return false;
  if (q.next()) return true;
  return q.exec(QStringLiteral("ALTER TABLE learners ADD COLUMN %1 %2").arg(name, definition));
}

bool AddLearnerColumns(QSqlQuery& q) {
  return AddLearnerColumn(q, QStringLiteral("school_year"), QStringLiteral("TEXT NOT NULL DEFAULT ''")) &&
         AddLearnerColumn(q, QStringLiteral("class_code"), QStringLiteral("TEXT NOT NULL DEFAULT ''")) &&
         AddLearnerColumn(q, QStringLiteral("class_number"), QStringLiteral("INTEGER NOT NULL DEFAULT 0"));
}

bool LearnerYearOf(QSqlQuery& q, qint64 id, QString* year, LearnerClass* place) {
  q.prepare(QStringLiteral("SELECT school_year, class_code, class_number FROM learners WHERE id = ?"));
  q.addBindValue(id);
  if (!q.exec()) return false;
  const bool found = q.next();
  *year = found ? q.value(0).toString() : QString();
  // Whatever another program wrote there is read as this one would keep it.
  *place = found ? CleanLearnerClass({q.value(1).toString(), q.value(2).toInt()}) : LearnerClass{};
  return true;
}

bool SetPlaceOf(QSqlQuery& q, qint64 id, const LearnerClass& place) {
  q.prepare(QStringLiteral("UPDATE learners SET class_code = ?, class_number = ? WHERE id = ?"));
  q.addBindValue(place.code);
  q.addBindValue(place.number);
  q.addBindValue(id);
  return q.exec();
}

bool SetYearOf(QSqlQuery& q, qint64 id, const QString& year) {
  q.prepare(QStringLiteral("UPDATE learners SET school_year = ? WHERE id = ?"));
  q.addBindValue(year);
  q.addBindValue(id);
  return q.exec();
}

}  // namespace

QString SqliteHistoryStore::LoginName() {
  QString name = CleanLearnerName(qEnvironmentVariable("USER"));
  if (name.isEmpty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
      name = CleanLearnerName(QString::fromLocal8Bit(pw->pw_name));
  }
  return name.isEmpty() ? QStringLiteral("learner") : name;
}

SqliteHistoryStore::SqliteHistoryStore(QString connection, QString path)
    : m_connection(std::move(connection)), m_path(std::move(path)), m_machine(QSysInfo::machineHostName()) {
  if (m_machine.isEmpty()) m_machine = QStringLiteral("localhost");
}

SqliteHistoryStore::~SqliteHistoryStore() { CloseConnection(m_connection); }

std::unique_ptr<SqliteHistoryStore> SqliteHistoryStore::Open(const QString& path, QString* error) {
  Fault fault = Fault::None;
  return OpenAt(path, error, &fault, {});
}

HistoryOpenResult SqliteHistoryStore::OpenForTrainer(const QString& path, const BusyWait& wait) {
  HistoryOpenResult r;
  r.file = path;
  Fault fault = Fault::None;
  r.store = OpenAt(path, &r.reason, &fault, wait);
  if (r.store || fault != Fault::Foreign) {
    r.passing = fault == Fault::Passing;
    return r;
  }
  const QString side = SidePath(path);
  r.note = QStringLiteral(
               "%1 はほかのプログラムのデータベースのため、書き込みません。学習履歴は %2 に記録します。")
               .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(side));
  r.file = side;
  r.reason.clear();
  r.store = OpenAt(side, &r.reason, &fault, wait);
  r.passing = fault == Fault::Passing;
  return r;
}

int SqliteHistoryStore::OnBusy(void* self, int count) {
  auto* store = static_cast<SqliteHistoryStore*>(self);
  if (count == 0) store->m_busyClock.start();
  const qint64 waited = store->m_busyClock.elapsed();
  const bool wait = store->m_keepWaiting ? store->m_keepWaiting(waited) : waited < kBusyTimeoutMs;
  if (!wait) return 0;
  // Short naps: whoever decides may change their mind (a stop) at any moment.
  QThread::msleep(count < 10 ? 2 : 10);
  return 1;
}

std::unique_ptr<SqliteHistoryStore> SqliteHistoryStore::OpenAt(const QString& path, QString* error,
                                                               Fault* fault, const BusyWait& wait) {
  *fault = Fault::Passing;
  bool foreign = false;
  QString why;
  if (!Check(path, &why, &foreign)) {
    if (foreign) *fault = Fault::Foreign;
    if (why == history_reason::Damaged() || why == history_reason::Newer()) *fault = Fault::Lasting;
    SetError(error, why);
    return nullptr;
  }
  const QFileInfo file(path);
  const QString connection = NewConnectionName("shurencho-history");
  std::unique_ptr<SqliteHistoryStore> store(new SqliteHistoryStore(connection, file.absoluteFilePath()));
  store->m_keepWaiting = wait;
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
  db.setDatabaseName(store->m_path);
  if (!db.open()) {
    SetError(error, Reason(db.lastError()));
    *fault = Passing(PrimaryCode(db.lastError())) ? Fault::Passing : Fault::Lasting;
    return nullptr;
  }
  // Our own wait for a lock replaces the driver's fixed one.
  if (sqlite3* handle = Handle(db)) sqlite3_busy_handler(handle, &SqliteHistoryStore::OnBusy, store.get());
  if (!store->Inspect(error, fault)) return nullptr;
  if (!store->Prepare(error)) {
    *fault = Fault::Passing;
    return nullptr;
  }
  *fault = Fault::None;
  return store;
}

bool SqliteHistoryStore::Inspect(QString* error, Fault* fault) {
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  const auto failed = [&](const QSqlQuery& q) {
    SetError(error, Reason(q.lastError()));
    *fault = Passing(PrimaryCode(q.lastError())) ? Fault::Passing : Fault::Lasting;
    return false;
  };
  // Only reads until the file is known to be ours: another program's file
  // is left byte for byte as it was.
  bool ok = false;
  QSqlQuery q = Run(db, QStringLiteral("PRAGMA application_id"), &ok);
  if (!ok || !q.next()) return failed(q);
  const qint32 marker = q.value(0).toInt();
  q = Run(db, QStringLiteral("PRAGMA user_version"), &ok);
  if (!ok || !q.next()) return failed(q);
  const int version = q.value(0).toInt();
  q = Run(db,
          QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'"),
          &ok);
  if (!ok) return failed(q);
  QStringList tables;
  while (q.next()) tables.append(q.value(0).toString());
  q.finish();
  if (marker != kApplicationId) {
    // Unmarked files of ours come from before the marker: a version and
    // only our own tables. An empty file is a new one.
    static const QStringList ours = {QStringLiteral("learners"),    QStringLiteral("current_learner"),
                                     QStringLiteral("drill_items"), QStringLiteral("typing_runs"),
                                     QStringLiteral("key_misses"),  QStringLiteral("miss_tally"),
                                     QStringLiteral("key_tally"),   QStringLiteral("mouse_stages")};
    bool onlyOurs = true;
    for (const QString& t : tables) onlyOurs = onlyOurs && ours.contains(t);
    const bool mine = marker == 0 && (tables.isEmpty() ? version == 0 : version > 0 && onlyOurs);
    if (!mine) {
      SetError(error, history_reason::Foreign());
      *fault = Fault::Foreign;
      return false;
    }
  }
  // A file cut short or damaged inside passes the header check but not this.
  q = Run(db, QStringLiteral("PRAGMA quick_check(1)"), &ok);
  if (!ok || !q.next()) return failed(q);
  if (q.value(0).toString() != QStringLiteral("ok")) {
    SetError(error, history_reason::Damaged());
    *fault = Fault::Lasting;
    return false;
  }
  return true;
}

template <typename F>
bool SqliteHistoryStore::InWriteTransaction(F&& body, QString* error) {
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  QSqlError last;
  // An owner that says how long to wait tries again in its own time.
  const int attempts = m_keepWaiting ? 1 : kWriteAttempts;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (attempt > 0) QThread::msleep(static_cast<unsigned long>(50 * attempt));
    QSqlQuery begin(db);
    // IMMEDIATE takes the write lock at once, so two writers never meet
    // half way through, each holding a read lock the other waits on.
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
      last = begin.lastError();
      if (IsBusy(last)) continue;
      break;
    }
    QSqlError failed;
    if (body(db, &failed)) {
      QSqlQuery commit(db);
      if (commit.exec(QStringLiteral("COMMIT"))) return true;
      failed = commit.lastError();
    }
    last = failed;
    QSqlQuery rollback(db);
    rollback.exec(QStringLiteral("ROLLBACK"));
    if (!IsBusy(last)) break;
  }
  SetError(error, Reason(last));
  return false;
}

bool SqliteHistoryStore::Prepare(QString* error) {
  return UseWal(error) && Migrate(error) && ChooseLearner(error);
}

bool SqliteHistoryStore::UseWal(QString* error) {
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  bool ok = false;
  // The first statement reads the file: a damaged one or another kind of file fails here.
  QSqlQuery mode = Run(db, QStringLiteral("PRAGMA journal_mode = WAL"), &ok);
  if (!ok || !mode.next()) {
    SetError(error, Reason(mode.lastError()));
    return false;
  }
  if (mode.value(0).toString().compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0) {
    SetError(error, history_reason::ReadOnly());
    return false;
  }
  return true;
}

bool SqliteHistoryStore::Migrate(QString* error) {
  // Each version step is a transaction of its own; a copy that finds the
  // step done by another copy meanwhile skips it.
  for (int to = 1; to <= history_schema::kVersion; ++to) {
    bool newer = false;
    const bool stepped = InWriteTransaction(
        [&](QSqlDatabase& d, QSqlError* failed) { return StepTo(d, to, &newer, failed); }, error);
    if (newer) {
      SetError(error, history_reason::Newer());
      return false;
    }
    if (!stepped) return false;
  }
  return true;
}

bool SqliteHistoryStore::ChooseLearner(QString* error) {
  // The row is written every time, so a file that may be read but not
  // written is found out now, not at the first record.
  const QString login = LoginName();
  return InWriteTransaction(
      [&](QSqlDatabase& d, QSqlError* failed) {
        QSqlQuery q(d);
        qint64 id = 0;
        QString name;
        if (!FindLearner(q, m_machine, login, &id, &name)) return *failed = q.lastError(), false;
        q.prepare(QStringLiteral("DELETE FROM current_learner WHERE machine = ?"));
        q.addBindValue(m_machine);
        if (!q.exec()) return *failed = q.lastError(), false;
        q.prepare(QStringLiteral("INSERT INTO current_learner (machine, learner) VALUES (?, ?)"));
        q.addBindValue(m_machine);
        q.addBindValue(id);
        if (!q.exec()) return *failed = q.lastError(), false;
        // The journal's ledger (see WriteAll): this machine's bookkeeping,
        // not part of the records' shape, so it changes no version and a
        // program from before it leaves it alone.
        if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS written_batches ("
                                   "id TEXT NOT NULL PRIMARY KEY, at_ms INTEGER NOT NULL)")))
          return *failed = q.lastError(), false;
        // The marker, also on a file made before there was one.
        if (!q.exec(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId)))
          return *failed = q.lastError(), false;
        // The school year, class and number: columns a file made before
        // them lacks. Added in place with empty defaults rather than by a
        // version step, so an older program, which names its columns when
        // it adds a learner, still opens the file.
        if (!AddLearnerColumns(q)) return *failed = q.lastError(), false;
        QString year;
        LearnerClass place;
        if (!LearnerYearOf(q, id, &year, &place)) return *failed = q.lastError(), false;
        m_learnerYear = year;
        m_learnerPlace = place;
        m_learner = id;
        // A name stored before names had a limit stays whole in the file
        // and is shown cut, as any name is kept now.
        m_learnerName = CleanLearnerName(name);
        m_learnerNameCut = name.toUcs4().size() > kMaxLearnerName;
        return true;
      },
      error);
}

bool SqliteHistoryStore::SetLearnerName(const QString& name, QString* error) {
  const QString wanted = CleanLearnerName(name);
  if (wanted.isEmpty()) {
    SetError(error, QStringLiteral("名前が空です。"));
    return false;
  }
  qint64 chosen = m_learner;
  QString year = m_learnerYear;
  LearnerClass place = m_learnerPlace;
  const bool done = InWriteTransaction(
      [&](QSqlDatabase& d, QSqlError* failed) {
        QSqlQuery q(d);
        q.prepare(QStringLiteral(
            "SELECT id, school_year, class_code, class_number FROM learners WHERE name = ? AND machine = ?"));
        q.addBindValue(wanted);
        q.addBindValue(m_machine);
        if (!q.exec()) return *failed = q.lastError(), false;
        if (q.next()) {
          chosen = q.value(0).toLongLong();
          // A teacher fixing a misspelt name onto a learner who has no year
          // yet keeps the year just set; a year of their own stands.
          // The class and number likewise.
          const QString theirs = q.value(1).toString();
          const LearnerClass theirPlace = CleanLearnerClass({q.value(2).toString(), q.value(3).toInt()});
          if (chosen != m_learner && theirs.isEmpty() && !year.isEmpty()) {
            if (!SetYearOf(q, chosen, year)) return *failed = q.lastError(), false;
          } else {
            year = theirs;
          }
          if (chosen != m_learner && theirPlace == LearnerClass{} && !(place == LearnerClass{})) {
            if (!SetPlaceOf(q, chosen, place)) return *failed = q.lastError(), false;
          } else {
            place = theirPlace;
          }
        } else {
          q.prepare(QStringLiteral("UPDATE learners SET name = ? WHERE id = ?"));
          q.addBindValue(wanted);
          q.addBindValue(m_learner);
          if (!q.exec()) return *failed = q.lastError(), false;
        }
        q.prepare(QStringLiteral("UPDATE current_learner SET learner = ? WHERE machine = ?"));
        q.addBindValue(chosen);
        q.addBindValue(m_machine);
        if (!q.exec()) return *failed = q.lastError(), false;
        return true;
      },
      error);
  if (done) {
    m_learner = chosen;
    m_learnerName = wanted;
    m_learnerNameCut = false;
    m_learnerYear = year;
    m_learnerPlace = place;
  }
  return done;
}

bool SqliteHistoryStore::SetLearnerYear(const QString& year, QString* error) {
  const QString wanted = CleanLearnerYear(year);
  const bool done = InWriteTransaction(
      [&](QSqlDatabase& d, QSqlError* failed) {
        QSqlQuery q(d);
        if (!SetYearOf(q, m_learner, wanted)) return *failed = q.lastError(), false;
        return true;
      },
      error);
  if (done) m_learnerYear = wanted;
  return done;
}

bool SqliteHistoryStore::SetClassOfLearner(const LearnerClass& place, QString* error) {
  const LearnerClass wanted = CleanLearnerClass(place);
  const bool done = InWriteTransaction(
      [&](QSqlDatabase& d, QSqlError* failed) {
        QSqlQuery q(d);
        if (!SetPlaceOf(q, m_learner, wanted)) return *failed = q.lastError(), false;
        return true;
      },
      error);
  if (done) m_learnerPlace = wanted;
  return done;
}

bool SqliteHistoryStore::Assignments(HistoryTime nowMs, QList<AssignmentProgress>* out, QString* error) {
  out->clear();
  QSqlQuery q(QSqlDatabase::database(m_connection, false));
  q.setForwardOnly(true);
  // A file never synced has no copy of the class's assignments.
  if (!q.exec(
          QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'sync_assignments'")))
    return SetError(error, Reason(q.lastError()));
  if (!q.next()) return true;
  // An end passed since the last read takes it away offline too.
  q.prepare(
      QStringLiteral("SELECT id, kind, course, passes, passage, until_ms, set_ms FROM sync_assignments "
                     "WHERE until_ms = 0 OR until_ms > ? ORDER BY set_ms, id"));
  q.addBindValue(nowMs);
  if (!q.exec()) return SetError(error, Reason(q.lastError()));
  QList<Assignment> kept;
  HistoryTime from = std::numeric_limits<HistoryTime>::max();
  while (q.next()) {
    kept.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).toInt(), q.value(3).toInt(),
                 q.value(4).toString(), q.value(5).toLongLong(), q.value(6).toLongLong()});
    from = std::min(from, kept.last().setMs);
  }
  if (kept.isEmpty()) return true;
  using namespace history_columns;
  q.prepare(QStringLiteral("SELECT %1 FROM typing_runs WHERE learner = ? AND at_ms >= ? ORDER BY at_ms")
                .arg(QLatin1String(kRun)));
  q.addBindValue(m_learner);
  q.addBindValue(from);
  if (!q.exec()) return SetError(error, Reason(q.lastError()));
  QList<TypingRunRecord> runs;
  QueryRow row(q, 0);
  while (q.next()) runs.append(RunFrom(row, 0));
  for (const Assignment& a : kept) out->append(ProgressOf(a, runs));
  return true;
}

bool SqliteHistoryStore::Write(const HistoryBatch& batch, QString* error) {
  return batch.empty() ? true : WriteAll({batch}, error);
}

bool SqliteHistoryStore::WriteAll(const QList<HistoryBatch>& batches, QString* error) {
  using namespace history_columns;
  return InWriteTransaction(
      [&](QSqlDatabase& d, QSqlError* failed) {
        QSqlQuery q(d);
        // A batch from the journal is written once: its id goes into the
        // ledger with its rows, and one found there was written before (a
        // close cut short between the write and the journal's emptying).
        QList<HistoryBatch> unwritten;
        bool ledger = false;
        for (const HistoryBatch& b : batches) {
          if (!b.id.isEmpty()) {
            ledger = true;
            q.prepare(QStringLiteral("INSERT OR IGNORE INTO written_batches (id, at_ms) VALUES (?, ?)"));
            q.addBindValue(b.id);
            q.addBindValue(QDateTime::currentMSecsSinceEpoch());
            if (!q.exec()) return *failed = q.lastError(), false;
            if (q.numRowsAffected() == 0) continue;
          }
          unwritten.append(b);
        }
        const HistoryBatch fresh = MergedBatches(unwritten);
        // An id is needed only while its journal may still hold the batch:
        // the next start at the latest.
        if (ledger) {
          q.prepare(QStringLiteral("DELETE FROM written_batches WHERE at_ms < ?"));
          q.addBindValue(QDateTime::currentMSecsSinceEpoch() - kLedgerDays * 24LL * 3600 * 1000);
          if (!q.exec()) return *failed = q.lastError(), false;
        }
        return InsertAll(q, m_learner, "drill_items", kItem, fresh.items, failed) &&
               AddKeystrokes(q, m_learner, fresh.items, failed) &&
               InsertAll(q, m_learner, "typing_runs", kRun, fresh.runs, failed) &&
               InsertAll(q, m_learner, "key_misses", kMiss, fresh.misses, failed) &&
               (fresh.misses.isEmpty() || TallyMisses(d, m_learner, fresh.misses, failed)) &&
               InsertAll(q, m_learner, "mouse_stages", kMouse, fresh.mouse, failed);
      },
      error);
}

QStringList SqliteHistoryStore::WeakestUnits(int count, QString* error) {
  QStringList units;
  QList<UnitWeakness> weakest;
  sqlite3* handle = Handle(QSqlDatabase::database(m_connection, false));
  if (!handle) {
    SetError(error, QStringLiteral("no SQLite connection"));
    return units;
  }
  SqliteRows rows(handle, m_learner);
  if (!ReadWeakestUnits(rows, count, &weakest)) {
    SetError(error, rows.error());
    return units;
  }
  for (const UnitWeakness& w : weakest) units.append(w.unit);
  return units;
}

LearnerHistory SqliteHistoryStore::Read(int weakest, QString* error) {
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  LearnerHistory h;
  h.learner = m_learnerName;
  h.learnerCut = m_learnerNameCut;
  h.machine = m_machine;
  h.schoolYear = m_learnerYear;
  h.place = m_learnerPlace;
  QString failed;
  // One read transaction: every figure comes from the same moment, even
  // while another copy writes.
  if (QSqlQuery begin(db); !begin.exec(QStringLiteral("BEGIN"))) {
    failed = begin.lastError().text();
  } else if (sqlite3* handle = Handle(db); !handle) {
    failed = QStringLiteral("no SQLite connection");
  } else {
    SqliteRows rows(handle, m_learner);
    if (!ReadLearnerHistory(rows, weakest, &h)) {
      failed = rows.error();
    } else if (QString why; !Assignments(QDateTime::currentMSecsSinceEpoch(), &h.assignments, &why)) {
      failed = why;
    }
  }
  QSqlQuery(db).exec(QStringLiteral("COMMIT"));
  if (failed.isNull()) return h;
  SetError(error, failed);
  LearnerHistory empty;
  empty.learner = m_learnerName;
  empty.schoolYear = m_learnerYear;
  empty.place = m_learnerPlace;
  return empty;
}

}  // namespace shurencho
