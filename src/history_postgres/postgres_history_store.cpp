#include "history_postgres/postgres_history_store.h"

#include <dlfcn.h>
#include <sys/socket.h>

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>
#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "history/history_reader.h"
#include "history/history_schema.h"
#include "history_sql/history_sql.h"

namespace shurencho {

namespace {

// How long a connection attempt waits for an unreachable server.
constexpr int kConnectTimeoutSeconds = 5;
// How long the server lets one statement run (waiting for a lock included),
// and how long we wait for its answer before giving the connection up.
constexpr int kStatementTimeoutMs = 8000;
constexpr auto kAnswerWait = std::chrono::seconds(10);
// Everything the class read may take, from before the connection is made.
constexpr auto kClassReadWait = std::chrono::seconds(12);
// A peer that is gone: keepalives on an idle connection, and unacknowledged
// data on a busy one.
const QString kConnectOptions =
    QStringLiteral(
        "connect_timeout=%1;application_name=shurencho;keepalives=1;keepalives_idle=5;keepalives_interval=2;"
        "keepalives_count=3;tcp_user_timeout=10000;options='-c statement_timeout=%2 "
        "-c idle_in_transaction_session_timeout=60000'")
        .arg(kConnectTimeoutSeconds)
        .arg(kStatementTimeoutMs);

using Clock = std::chrono::steady_clock;

bool Fail(QString* error, const QSqlError& e) {
  return SetError(error, QStringLiteral("クラスのサーバー: ") + e.text().trimmed());
}

QString Decoded(const QString& part) { return QUrl::fromPercentEncoding(part.toUtf8()); }

}  // namespace

// The client library waits for an answer without end, and a server that
// took the login and then went quiet (stopped, or swamped) keeps the socket
// open, so neither the timeouts above nor keepalives end that wait. This
// watch shuts the connection's socket down when an answer is later than its
// deadline, or when asked to, and the call under way then fails at once.
class StallGuard final {
 public:
  explicit StallGuard(int socket) : m_socket(socket), m_thread([this] { Watch(); }) {}
  ~StallGuard() {
    {
      const std::lock_guard lock(m_mutex);
      m_ending = true;
    }
    m_wake.notify_one();
    m_thread.join();
  }
  StallGuard(const StallGuard&) = delete;
  StallGuard& operator=(const StallGuard&) = delete;

  void ArmUntil(Clock::time_point until) {
    const std::lock_guard lock(m_mutex);
    const bool wake = m_until == kNever || until < m_until;
    m_until = until;
    if (wake) m_wake.notify_one();
  }
  void Arm() { ArmUntil(Clock::now() + kAnswerWait); }
  void Disarm() {
    const std::lock_guard lock(m_mutex);
    m_until = kNever;
  }
  void Trip() {
    const std::lock_guard lock(m_mutex);
    TripLocked();
  }
  bool tripped() {
    const std::lock_guard lock(m_mutex);
    return m_tripped;
  }

 private:
  static constexpr Clock::time_point kNever = Clock::time_point::max();
  void TripLocked() {
    if (!m_tripped) ::shutdown(m_socket, SHUT_RDWR);
    m_tripped = true;
  }
  void Watch() {
    std::unique_lock lock(m_mutex);
    while (!m_ending) {
      if (m_until == kNever) {
        m_wake.wait(lock);
      } else if (Clock::now() >= m_until) {
        TripLocked();
        m_until = kNever;
      } else {
        m_wake.wait_until(lock, m_until);
      }
    }
  }

  const int m_socket;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  Clock::time_point m_until = kNever;
  bool m_tripped = false;
  bool m_ending = false;
  std::thread m_thread;  // last: starts once the rest is made
};

namespace {

// A call cut short by the guard says so instead of naming the lost
// connection; true when it was.
bool NoAnswer(const std::unique_ptr<StallGuard>& guard, QString* error) {
  if (!guard || !guard->tripped()) return false;
  SetError(error, QStringLiteral("クラスのサーバーが応答しません。"));
  return true;
}

// The socket under an open connection of the PostgreSQL driver, or -1. The
// driver hands out the client library's connection; the library is already
// loaded by the driver, so it is looked up rather than linked.
int ServerSocket(const QSqlDatabase& db) {
  const QVariant handle = db.driver()->handle();
  // PGconn, named by the struct it stands for.
  if (!handle.isValid() ||
      (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
    return -1;
  const void* connection = *static_cast<void* const*>(handle.constData());
  using SocketOf = int (*)(const void*);
  static const SocketOf socketOf = [] {
    void* library = ::dlopen("libpq.so.5", RTLD_LAZY | RTLD_NOLOAD);
    return library ? reinterpret_cast<SocketOf>(::dlsym(library, "PQsocket")) : nullptr;
  }();
  return connection && socketOf ? socketOf(connection) : -1;
}

// A connection of its own, on the calling thread; the schema's version is
// checked before anything else is read or written. The guard watches its
// socket from then on (null when the socket is not known).
QString Connect(const QString& serverText, QString* error, std::unique_ptr<StallGuard>* guard,
                Clock::time_point until = Clock::time_point::max()) {
  ServerAddress address;
  if (!ParseServerText(serverText, &address, error)) return QString();
  const QString name = NewConnectionName("shurencho-server");
  bool ok = false;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!db.isValid()) {
      SetError(error, QStringLiteral("PostgreSQL のドライバーがありません（libqt6sql6-psql）。"));
    } else {
      db.setHostName(address.host);
      if (address.port > 0) db.setPort(address.port);
      db.setDatabaseName(address.database);
      db.setUserName(address.user);
      db.setConnectOptions(kConnectOptions);
      if (!db.open()) {
        Fail(error, db.lastError());
      } else {
        if (const int socket = ServerSocket(db); socket >= 0) {
          *guard = std::make_unique<StallGuard>(socket);
          (*guard)->ArmUntil(until != Clock::time_point::max() ? until : Clock::now() + kAnswerWait);
        }
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT version FROM schema_version")) || !q.next()) {
          SetError(
              error,
              QStringLiteral(
                  "クラスのサーバーに学習履歴の表がありません（class_server.sql を実行してください）: ") +
                  q.lastError().text().trimmed());
        } else if (q.value(0).toInt() > history_schema::kVersion) {
          SetError(error, QStringLiteral("クラスのサーバーは新しい版の打鍵修練帖の形式です。"));
        } else if (q.value(0).toInt() < history_schema::kVersion) {
          SetError(error, QStringLiteral("クラスのサーバーの表が古い版のままです。先生が更新してください。"));
        } else {
          ok = true;
        }
      }
    }
  }
  if (!ok) {
    NoAnswer(*guard, error);
    guard->reset();
    QSqlDatabase::removeDatabase(name);
    return QString();
  }
  if (*guard && until == Clock::time_point::max()) (*guard)->Disarm();
  return name;
}

// The watch ends before the socket is closed.
void Disconnect(const QString& name, std::unique_ptr<StallGuard>* guard) {
  guard->reset();
  CloseConnection(name);
}

QString SyncId(const QString& origin, qint64 localId) {
  return origin + QLatin1Char('/') + QString::number(localId);
}

}  // namespace

namespace {

QString NoPasswordHere() {
  return QStringLiteral("パスワードは設定ファイルに書かないでください（~/.pgpass か PGPASSWORD に）。");
}

// "?host=…&port=…" over what the address said before it; false when a
// password is given.
bool ApplyParameters(const QString& query, ServerAddress* address, QString* port) {
  const QUrlQuery params(query);
  for (const auto& [key, value] : params.queryItems(QUrl::FullyDecoded)) {
    if (key == QStringLiteral("host")) {
      address->host = value;
    } else if (key == QStringLiteral("port")) {
      *port = value;
    } else if (key == QStringLiteral("user")) {
      address->user = value;
    } else if (key == QStringLiteral("dbname")) {
      address->database = value;
    } else if (key == QStringLiteral("password")) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParseServerText(const QString& text, ServerAddress* address, QString* error) {
  const QString t = text.trimmed();
  const QString bad = QStringLiteral("クラスのサーバーの指定が読めません: ");
  QString rest;
  for (const QString& scheme : {QStringLiteral("postgresql://"), QStringLiteral("postgres://")}) {
    if (t.startsWith(scheme, Qt::CaseInsensitive)) rest = t.mid(scheme.size());
  }
  if (rest.isNull()) return SetError(error, bad + t);
  *address = ServerAddress{};
  QString query;
  if (const qsizetype at = rest.indexOf(QLatin1Char('?')); at >= 0) {
    query = rest.mid(at + 1);
    rest.truncate(at);
  }
  if (const qsizetype at = rest.indexOf(QLatin1Char('/')); at >= 0) {
    address->database = Decoded(rest.mid(at + 1));
    rest.truncate(at);
  }
  if (const qsizetype at = rest.lastIndexOf(QLatin1Char('@')); at >= 0) {
    const QString user = rest.left(at);
    rest = rest.mid(at + 1);
    if (user.contains(QLatin1Char(':'))) return SetError(error, NoPasswordHere());
    address->user = Decoded(user);
  }
  QString port;
  if (rest.startsWith(QLatin1Char('['))) {  // [::1]:5432
    const qsizetype close = rest.indexOf(QLatin1Char(']'));
    if (close < 0) return SetError(error, bad + t);
    address->host = rest.mid(1, close - 1);
    if (rest.mid(close + 1).startsWith(QLatin1Char(':'))) port = rest.mid(close + 2);
  } else if (const qsizetype colon = rest.indexOf(QLatin1Char(':')); colon >= 0) {
    address->host = Decoded(rest.left(colon));
    port = rest.mid(colon + 1);
  } else {
    address->host = Decoded(rest);
  }
  if (!ApplyParameters(query, address, &port)) return SetError(error, NoPasswordHere());
  if (!port.isEmpty()) {
    bool ok = false;
    address->port = port.toInt(&ok);
    if (!ok || address->port <= 0 || address->port > 65535) return SetError(error, bad + t);
  }
  if (address->database.isEmpty()) address->database = QStringLiteral("shurencho");
  return true;
}

// ---- Sending ----

namespace {

// Ends the watch of a call's answers however the call ends.
struct DisarmOnExit {
  StallGuard* guard;
  ~DisarmOnExit() {
    if (guard) guard->Disarm();
  }
};

// Adds one table's rows; rows the server already holds (sent before a
// crash) are left as they are. Each answer is waited for a bounded time.
template <typename Record>
bool InsertEach(QSqlQuery& q, const char* table, const char* columns, const QList<QueuedRow<Record>>& rows,
                const QHash<qint64, qint64>& ids, const QString& origin, StallGuard* guard,
                QSqlError* failed) {
  if (rows.isEmpty()) return true;
  if (guard) guard->Arm();
  q.prepare(InsertSql(table, columns, true) + QStringLiteral(" ON CONFLICT DO NOTHING"));
  for (const QueuedRow<Record>& row : rows) {
    q.addBindValue(ids.value(row.learner));
    for (const QVariant& v : RecordValues(row.record)) q.addBindValue(v);
    q.addBindValue(SyncId(origin, row.localId));
    if (guard) guard->Arm();
    if (!q.exec()) {
      *failed = q.lastError();
      return false;
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<PostgresSyncSender> PostgresSyncSender::Open(const QString& serverText, QString* error) {
  std::unique_ptr<StallGuard> guard;
  const QString name = Connect(serverText, error, &guard);
  if (name.isEmpty()) return nullptr;
  std::unique_ptr<PostgresSyncSender> sender(new PostgresSyncSender(name, std::move(guard)));
  // A server whose tables predate the school year, or the class and
  // number, still takes the rows.
  const DisarmOnExit disarm{sender->m_guard.get()};
  if (sender->m_guard) sender->m_guard->Arm();
  QSqlError failed;
  {
    QSqlQuery q(QSqlDatabase::database(name, false));
    if (q.exec(QStringLiteral(
            "SELECT to_regprocedure('shurencho_learner_id(text,text,text)') IS NOT NULL, "
            "to_regprocedure('shurencho_learner_id(text,text,text,text,integer)') IS NOT NULL, "
            "to_regprocedure('shurencho_presence(text,text,text,integer,bigint)') IS NOT NULL")) &&
        q.next()) {
      sender->m_sendsYears = q.value(0).toBool();
      sender->m_sendsPlaces = q.value(1).toBool();
      sender->m_keepsPresence = q.value(2).toBool();
      return sender;
    }
    failed = q.lastError();
  }
  if (!NoAnswer(sender->m_guard, error)) Fail(error, failed);
  return nullptr;
}

PostgresSyncSender::PostgresSyncSender(QString connection, std::unique_ptr<StallGuard> guard)
    : m_connection(std::move(connection)), m_guard(std::move(guard)) {}

PostgresSyncSender::~PostgresSyncSender() { Disconnect(m_connection, &m_guard); }

void PostgresSyncSender::Interrupt() {
  if (m_guard) m_guard->Trip();
}

bool PostgresSyncSender::SendPresence(const Presence& presence, QString* error) {
  if (!m_keepsPresence) return true;
  if (m_guard) m_guard->Arm();
  const DisarmOnExit disarm{m_guard.get()};
  QSqlQuery q(QSqlDatabase::database(m_connection, false));
  q.prepare(QStringLiteral("SELECT shurencho_presence(?, ?, ?, ?, ?)"));
  q.addBindValue(presence.name);
  q.addBindValue(presence.machine);
  q.addBindValue(presence.page);
  q.addBindValue(presence.course);
  q.addBindValue(presence.itemAgeMs < 0 ? QVariant(QMetaType(QMetaType::LongLong))
                                        : QVariant(presence.itemAgeMs));
  if (q.exec()) return true;
  if (!NoAnswer(m_guard, error)) Fail(error, q.lastError());
  return false;
}

bool PostgresSyncSender::ServerIds(QSqlQuery& q, const SyncBatch& batch, QHash<qint64, qint64>* ids,
                                   QHash<QString, qint64>* made, QSqlError* failed) {
  q.prepare(m_sendsPlaces  ? QStringLiteral("SELECT shurencho_learner_id(?, ?, ?, ?, ?)")
            : m_sendsYears ? QStringLiteral("SELECT shurencho_learner_id(?, ?, ?)")
                           : QStringLiteral("SELECT shurencho_learner_id(?, ?)"));
  for (auto it = batch.learners.cbegin(); it != batch.learners.cend(); ++it) {
    const QString year = batch.years.value(it.key());
    const LearnerClass place = batch.places.value(it.key());
    const QString key = it->first + QChar(0) + it->second + QChar(0) + year + QChar(0) + place.code +
                        QChar(0) + QString::number(place.number);
    if (const auto known = m_learnerIds.constFind(key); known != m_learnerIds.constEnd()) {
      ids->insert(it.key(), *known);
      continue;
    }
    q.addBindValue(it->first);
    q.addBindValue(it->second);
    if (m_sendsYears || m_sendsPlaces) q.addBindValue(year);
    if (m_sendsPlaces) {
      q.addBindValue(place.code);
      q.addBindValue(place.number);
    }
    if (m_guard) m_guard->Arm();
    if (!q.exec() || !q.next()) return *failed = q.lastError(), false;
    ids->insert(it.key(), q.value(0).toLongLong());
    made->insert(key, q.value(0).toLongLong());
  }
  return true;
}

bool PostgresSyncSender::AddRows(QSqlDatabase& db, const SyncBatch& batch, QHash<QString, qint64>* made,
                                 QSqlError* failed) {
  using namespace history_columns;
  QHash<qint64, qint64> ids;  // local learner -> the server's
  QSqlQuery q(db);
  StallGuard* guard = m_guard.get();
  const QString& origin = batch.origin;
  return ServerIds(q, batch, &ids, made, failed) &&
         InsertEach(q, "drill_items", kItem, batch.items, ids, origin, guard, failed) &&
         InsertEach(q, "typing_runs", kRun, batch.runs, ids, origin, guard, failed) &&
         InsertEach(q, "key_misses", kMiss, batch.misses, ids, origin, guard, failed) &&
         InsertEach(q, "mouse_stages", kMouse, batch.mouse, ids, origin, guard, failed);
}

bool PostgresSyncSender::Send(const SyncBatch& batch, QString* error) {
  if (batch.empty()) return true;
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  // Each statement's answer is waited for a bounded time.
  const auto arm = [this] {
    if (m_guard) m_guard->Arm();
  };
  const DisarmOnExit disarm{m_guard.get()};
  QSqlError failed;
  QHash<QString, qint64> made;  // learners first seen in this transaction
  arm();
  if (!db.transaction()) return Fail(error, db.lastError());
  if (!AddRows(db, batch, &made, &failed)) {
    arm();
    db.rollback();
    return NoAnswer(m_guard, error) ? false : Fail(error, failed);
  }
  arm();
  if (!db.commit()) {
    const QSqlError e = db.lastError();
    db.rollback();
    return NoAnswer(m_guard, error) ? false : Fail(error, e);
  }
  m_learnerIds.insert(made);
  return true;
}

// ---- Reading ----

namespace {

// Where the class table's figures are read: the live tallies, or a year
// of the archive in the same shape.
struct ClassSource {
  QString learners;  // id, name, machine, school_year, class, number, roster name, in the rows' order
  QString courseTally;
  QString mouseStages;
  QString missTally;
};

// The learners' columns the class read takes, with the roster's name beside
// the number; those with a class and number first, in that order, the rest
// as they were first seen.
QString LearnersOf(const QString& table, const QString& where) {
  return QStringLiteral(
             "SELECT l.id, l.name, l.machine, l.school_year, l.class_code, l.class_number, r.name "
             "FROM %1 l LEFT JOIN roster r ON r.class_code = l.class_code AND r.number = l.class_number "
             "WHERE %2 ORDER BY l.class_code = '', "
             "CASE WHEN l.class_code ~ '^[0-9]+(-[0-9]+)*$' THEN string_to_array(l.class_code, "
             "'-')::numeric[] "
             "END, l.class_code, l.class_number, l.id")
      .arg(table, where);
}

ClassSource LiveClass() {
  // A learner whose rows all went to the archive is left out until new ones come.
  return {LearnersOf(QStringLiteral("learners"),
                     QStringLiteral("NOT EXISTS (SELECT FROM archive.learners a WHERE a.id = l.id) "
                                    "OR EXISTS (SELECT FROM typing_runs WHERE learner = l.id) "
                                    "OR EXISTS (SELECT FROM drill_items WHERE learner = l.id) "
                                    "OR EXISTS (SELECT FROM key_misses WHERE learner = l.id) "
                                    "OR EXISTS (SELECT FROM mouse_stages WHERE learner = l.id)")),
          QStringLiteral("course_tally"), QStringLiteral("mouse_stages"), QStringLiteral("miss_tally")};
}

ClassSource ArchivedClass(int year) {
  const auto of = [year](const char* table) {
    return QStringLiteral("(SELECT * FROM archive.%1 WHERE archive_year = %2) AS %1")
        .arg(QLatin1String(table))
        .arg(year);
  };
  return {LearnersOf(QStringLiteral("archive.learners"), QStringLiteral("l.archive_year = %1").arg(year)),
          of("course_tally"), of("mouse_stages"), of("miss_tally")};
}

// The learners, each with a row of no figures yet; *at finds a learner's row.
bool ReadLearners(QSqlQuery& q, const ClassSource& source, ClassOnServer* out, QHash<qint64, qsizetype>* at) {
  if (!q.exec(source.learners)) return false;
  QHash<QString, int> nameCount;
  QHash<qint64, QString> listed;  // learner -> "5-2-17 山田太郎"
  while (q.next()) {
    ServerLearner l{
        q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), {}, q.value(3).toString()};
    l.place = {q.value(4).toString(), q.value(5).toInt()};
    if (!q.value(6).isNull() && l.place.number > 0) {
      listed.insert(
          l.id, QStringLiteral("%1-%2 %3").arg(l.place.code).arg(l.place.number).arg(q.value(6).toString()));
    }
    ++nameCount[l.name];
    at->insert(l.id, out->learners.size());
    out->learners.append(l);
    ClassRow row;
    row.courses = SummarizeSpeeds({}, OccasionalCourses());
    row.mouse = SummarizeMouse({});
    out->rows.append(row);
  }
  for (qsizetype i = 0; i < out->learners.size(); ++i) {
    ServerLearner& l = out->learners[i];
    l.shown = listed.contains(l.id)         ? listed.value(l.id)
              : nameCount.value(l.name) > 1 ? QStringLiteral("%1（%2）").arg(l.name, l.machine)
                                            : l.name;
    out->rows[i].learner = l.shown;
    out->rows[i].schoolYear = l.year;
  }
  return true;
}

// Per learner and course: the best, the count, the accuracies and the
// newest run, as the server keeps them with every run added.
bool ReadCourseTally(QSqlQuery& q, const QString& from, const QHash<qint64, qsizetype>& at,
                     QList<ClassRow>* rows) {
  // Every row lists the same courses (SummarizeSpeeds' order).
  const QList<CourseSpeeds> listed = SummarizeSpeeds({}, OccasionalCourses());
  const auto courseIndex = [&listed](int course) -> qsizetype {
    for (qsizetype i = 0; i < listed.size(); ++i)
      if (listed[i].course == course) return i;
    return -1;
  };
  if (!q.exec(QStringLiteral("SELECT learner, course, best, runs, accuracy_sum, accuracy_runs, latest_at, "
                             "latest FROM ") +
              from)) {
    return false;
  }
  while (q.next()) {
    const auto row = at.constFind(q.value(0).toLongLong());
    const int course = q.value(1).toInt();
    const qsizetype c = courseIndex(course);
    if (row == at.constEnd()) continue;
    ClassRow& r = (*rows)[*row];
    // The same sums the learner's own pages make, added up over the courses.
    const FigureMean accuracy{q.value(4).toDouble(), q.value(5).toLongLong()};
    r.runs += q.value(3).toInt();
    r.latestAt = std::max(r.latestAt, q.value(6).toLongLong());
    r.accuracy.sum += accuracy.sum;
    r.accuracy.runs += accuracy.runs;
    // Only finished tests are tallied: the best of them is the 級's.
    if (course == kSkillTestCourse) r.bestTest = q.value(2).toInt();
    if (c < 0) continue;
    CourseSpeeds& s = r.courses[c];
    s.best = q.value(2).toInt();
    s.runs = q.value(3).toInt();
    s.latestAt = q.value(6).toLongLong();
    s.latest = q.value(7).toInt();
    s.accuracy = accuracy;
  }
  return true;
}

bool ReadMouseProgress(QSqlQuery& q, const QString& from, const QHash<qint64, qsizetype>& at,
                       QList<ClassRow>* rows) {
  if (!q.exec(QStringLiteral("SELECT learner, game, MAX(stage), COUNT(*), MAX(at_ms) FROM %1 "
                             "GROUP BY learner, game")
                  .arg(from))) {
    return false;
  }
  while (q.next()) {
    const auto row = at.constFind(q.value(0).toLongLong());
    if (row == at.constEnd()) continue;
    ClassRow& r = (*rows)[*row];
    r.latestAt = std::max(r.latestAt, q.value(4).toLongLong());
    for (MouseProgress& g : r.mouse) {
      if (static_cast<int>(g.game) != q.value(1).toInt()) continue;
      g.bestStage = q.value(2).toInt();
      g.plays = q.value(3).toInt();
    }
  }
  return true;
}

// Each learner's ten weakest units, ranked as the learner's own history is.
bool ReadWeakUnits(QSqlQuery& q, const QString& from, const QHash<qint64, qsizetype>& at,
                   QList<ClassRow>* rows) {
  if (!q.exec(QStringLiteral("SELECT learner, unit, SUM(misses) FROM %1 GROUP BY learner, unit").arg(from)))
    return false;
  QHash<qsizetype, QList<UnitWeakness>> units;  // by row
  while (q.next()) {
    const auto row = at.constFind(q.value(0).toLongLong());
    if (row != at.constEnd()) units[*row].append(UnitWeakness{q.value(1).toString(), q.value(2).toInt(), {}});
  }
  for (auto it = units.begin(); it != units.end(); ++it) {
    RankWeakest(&it.value(), 10);
    (*rows)[it.key()].weakest = it.value();
  }
  return true;
}

// The whole class from one snapshot.
bool ReadClass(QSqlDatabase db, const ClassSource& source, ClassOnServer* out, QString* error) {
  QSqlQuery q(db);
  q.setForwardOnly(true);
  if (!db.transaction()) return Fail(error, db.lastError());
  QHash<qint64, qsizetype> at;
  if (!q.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY")) ||
      !ReadLearners(q, source, out, &at) || !ReadCourseTally(q, source.courseTally, at, &out->rows) ||
      !ReadMouseProgress(q, source.mouseStages, at, &out->rows) ||
      !ReadWeakUnits(q, source.missTally, at, &out->rows)) {
    const QSqlError e = q.lastError();
    q.finish();
    db.rollback();
    // A server set up by an older class_server.sql lacks the newer columns,
    // the class lists or the archive.
    if (e.nativeErrorCode() == QLatin1String("42703") || e.nativeErrorCode() == QLatin1String("42P01") ||
        e.nativeErrorCode() == QLatin1String("3F000")) {
      return SetError(error, QStringLiteral("クラスのサーバーの表が古い形です。サーバーで class_server.sql を"
                                            "もう一度流してください（記録はそのまま残ります）。\n%1")
                                 .arg(e.text().trimmed()));
    }
    return Fail(error, e);
  }
  q.finish();
  db.commit();
  DropUnusedCourses(out->rows);
  return true;
}

}  // namespace

bool ReadClassFromServer(const QString& serverText, ClassOnServer* out, QString* error, int archivedYear) {
  std::unique_ptr<StallGuard> guard;
  const QString name = Connect(serverText, error, &guard, Clock::now() + kClassReadWait);
  if (name.isEmpty()) return false;
  *out = ClassOnServer{};
  const bool ok = ReadClass(QSqlDatabase::database(name, false),
                            archivedYear > 0 ? ArchivedClass(archivedYear) : LiveClass(), out, error);
  if (!ok) NoAnswer(guard, error);
  Disconnect(name, &guard);
  if (!ok) *out = ClassOnServer{};
  return ok;
}

bool ArchiveClassOnServer(const QString& serverText, const QString& classCode, int year, ArchivedRows* moved,
                          QString* error) {
  std::unique_ptr<StallGuard> guard;
  const QString name = Connect(serverText, error, &guard);
  if (name.isEmpty()) return false;
  // The school's year in the school's own time: the teacher's machine's zone.
  const qint64 from = QDateTime(QDate(year, 4, 1), QTime(0, 0)).toMSecsSinceEpoch();
  const qint64 to = QDateTime(QDate(year + 1, 4, 1), QTime(0, 0)).toMSecsSinceEpoch();
  bool ok = false;
  {
    QSqlQuery q(QSqlDatabase::database(name, false));
    if (guard) guard->Arm();
    const DisarmOnExit disarm{guard.get()};
    // One statement, so one transaction: the function moves all or nothing.
    q.prepare(
        QStringLiteral("SELECT drill_items, typing_runs, key_misses, mouse_stages "
                       "FROM shurencho_archive_class(?, ?, ?, ?)"));
    q.addBindValue(classCode);
    q.addBindValue(year);
    q.addBindValue(from);
    q.addBindValue(to);
    ok = q.exec() && q.next();
    if (ok) {
      *moved = {q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                q.value(3).toLongLong()};
    } else if (!NoAnswer(guard, error)) {
      const QSqlError e = q.lastError();
      // A server set up before the archive existed.
      if (e.nativeErrorCode() == QLatin1String("42883")) {
        SetError(error,
                 QStringLiteral("クラスのサーバーに記録を移す場所がありません。サーバーで class_server.sql "
                                "をもう一度流してください（記録はそのまま残ります）。"));
      } else {
        Fail(error, e);
      }
    }
  }
  Disconnect(name, &guard);
  return ok;
}

// One write of the teacher's, as one transaction on a connection of its
// own, bounded like the read: committed when `work` went through, else
// rolled back and why said; a table an older server lacks is said as
// `missingTable`.
static bool TeacherWrite(const QString& serverText, const QString& missingTable, QString* error,
                         const std::function<bool(QSqlQuery&)>& work) {
  std::unique_ptr<StallGuard> guard;
  const QString name = Connect(serverText, error, &guard, Clock::now() + kClassReadWait);
  if (name.isEmpty()) return false;
  QSqlDatabase db = QSqlDatabase::database(name, false);
  bool ok = db.transaction();
  QSqlError failed = db.lastError();
  if (ok) {
    QSqlQuery q(db);
    ok = work(q);
    failed = q.lastError();
    q.finish();
    if (ok) {
      ok = db.commit();
      if (!ok) failed = db.lastError();
    }
    if (!ok) db.rollback();
  }
  if (!ok && !NoAnswer(guard, error)) {
    if (failed.nativeErrorCode() == QLatin1String("42P01")) {
      SetError(error, missingTable);
    } else {
      Fail(error, failed);
    }
  }
  Disconnect(name, &guard);
  return ok;
}

// Runs a statement with its values on q.
static bool Run(QSqlQuery& q, const QString& sql, const QVariantList& values) {
  q.prepare(sql);
  for (const QVariant& v : values) q.addBindValue(v);
  return q.exec();
}

bool StoreRosterOnServer(const QString& serverText, const QString& classCode,
                         const QList<RosterEntry>& entries, QString* error) {
  return TeacherWrite(
      serverText,
      QStringLiteral("クラスのサーバーに名簿の表がありません。サーバーで class_server.sql を"
                     "もう一度流してください（記録はそのまま残ります）。"),
      error, [&](QSqlQuery& q) {
        bool ok = Run(q, QStringLiteral("INSERT INTO classes (code) VALUES (?) ON CONFLICT DO NOTHING"),
                      {classCode}) &&
                  Run(q, QStringLiteral("DELETE FROM roster WHERE class_code = ?"), {classCode});
        for (qsizetype i = 0; ok && i < entries.size(); ++i) {
          ok = Run(q, QStringLiteral("INSERT INTO roster (class_code, number, name) VALUES (?, ?, ?)"),
                   {classCode, entries[i].number, entries[i].name});
        }
        return ok;
      });
}

Assignment AssignmentFrom(const QSqlQuery& q, int first) {
  return {q.value(first).toInt(),         q.value(first + 1).toString(), q.value(first + 2).toInt(),
          q.value(first + 3).toInt(),     q.value(first + 4).toString(), q.value(first + 5).toLongLong(),
          q.value(first + 6).toLongLong()};
}

namespace {

constexpr char kAssignmentColumns[] = "id, kind, course, passes, passage, until_ms, set_ms";

QString NoAssignmentsTable() {
  return QStringLiteral(
      "クラスのサーバーに課題の表がありません。サーバーで class_server.sql を"
      "もう一度流してください（記録はそのまま残ります）。");
}

}  // namespace

bool PostgresSyncSender::ReadAssignments(const QString& classCode, HistoryTime nowMs, QList<Assignment>* out,
                                         QString* error) {
  out->clear();
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  if (m_guard) m_guard->Arm();
  const DisarmOnExit disarm{m_guard.get()};
  QSqlQuery q(db);
  q.setForwardOnly(true);
  q.prepare(
      QStringLiteral("SELECT %1 FROM assignments WHERE class_code = ? AND (until_ms = 0 OR until_ms > ?) "
                     "ORDER BY set_ms, id")
          .arg(QLatin1String(kAssignmentColumns)));
  q.addBindValue(classCode);
  q.addBindValue(nowMs);
  if (!q.exec()) {
    // A server set up before assignments existed has none to give.
    if (q.lastError().nativeErrorCode() == QLatin1String("42P01")) return true;
    return NoAnswer(m_guard, error) ? false : Fail(error, q.lastError());
  }
  while (q.next()) out->append(AssignmentFrom(q, 0));
  return true;
}

int StoreAssignmentOnServer(const QString& serverText, const QString& classCode, const Assignment& a,
                            QString* error) {
  int id = 0;
  const bool ok = TeacherWrite(serverText, NoAssignmentsTable(), error, [&](QSqlQuery& q) {
    if (!Run(q, QStringLiteral("INSERT INTO classes (code) VALUES (?) ON CONFLICT DO NOTHING"),
             {classCode}) ||
        !Run(q,
             QStringLiteral("INSERT INTO assignments (class_code, kind, course, passes, passage, until_ms, "
                            "set_ms) VALUES (?, ?, ?, ?, ?, ?, ?) RETURNING id"),
             {classCode, a.kind, a.course, a.passes, SqlText(a.passage), a.untilMs, a.setMs}) ||
        !q.next())
      return false;
    id = q.value(0).toInt();
    return true;
  });
  return ok ? id : 0;
}

bool ReadAssignmentsOnServer(const QString& serverText, const QString& classCode,
                             QList<QPair<QString, Assignment>>* out, QString* error) {
  out->clear();
  std::unique_ptr<StallGuard> guard;
  const QString name = Connect(serverText, error, &guard, Clock::now() + kClassReadWait);
  if (name.isEmpty()) return false;
  bool ok = false;
  {
    QSqlQuery q(QSqlDatabase::database(name, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT class_code, %1 FROM assignments WHERE ? = '' OR class_code = ? "
                             "ORDER BY class_code, set_ms, id")
                  .arg(QLatin1String(kAssignmentColumns)));
    q.addBindValue(classCode);
    q.addBindValue(classCode);
    ok = q.exec();
    while (ok && q.next()) out->append(qMakePair(q.value(0).toString(), AssignmentFrom(q, 1)));
    if (!ok && !NoAnswer(guard, error)) {
      if (q.lastError().nativeErrorCode() == QLatin1String("42P01")) {
        SetError(error, NoAssignmentsTable());
      } else {
        Fail(error, q.lastError());
      }
    }
  }
  Disconnect(name, &guard);
  return ok;
}

std::unique_ptr<PostgresHistoryStore> PostgresHistoryStore::Open(const QString& serverText,
                                                                 const ServerLearner& learner,
                                                                 QString* error) {
  std::unique_ptr<StallGuard> guard;
  const QString name = Connect(serverText, error, &guard);
  if (name.isEmpty()) return nullptr;
  return std::unique_ptr<PostgresHistoryStore>(new PostgresHistoryStore(name, learner, std::move(guard)));
}

PostgresHistoryStore::PostgresHistoryStore(QString connection, ServerLearner learner,
                                           std::unique_ptr<StallGuard> guard)
    : m_connection(std::move(connection)), m_learner(std::move(learner)), m_guard(std::move(guard)) {}

PostgresHistoryStore::~PostgresHistoryStore() { Disconnect(m_connection, &m_guard); }

bool PostgresHistoryStore::SetLearnerName(const QString&, QString* error) {
  return SetError(error, QStringLiteral("名前は学習者のパソコンで変えてください。"));
}

bool PostgresHistoryStore::Write(const HistoryBatch&, QString* error) {
  return SetError(error, QStringLiteral("クラスの一覧からは記録できません。"));
}

LearnerHistory PostgresHistoryStore::Read(int weakest, QString* error) {
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  // The window waits for this read: all of it is bounded.
  if (m_guard) m_guard->ArmUntil(Clock::now() + kClassReadWait);
  const DisarmOnExit disarm{m_guard.get()};
  LearnerHistory h;
  h.learner = m_learner.shown;
  h.schoolYear = m_learner.year;
  if (!db.transaction()) {
    Fail(error, db.lastError());
    return h;
  }
  LearnerQueryRows rows(db, m_learner.id);
  QSqlQuery& q = rows.query();
  if (!q.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY")) ||
      !ReadLearnerHistory(rows, weakest, &h)) {
    if (!NoAnswer(m_guard, error)) Fail(error, q.lastError());
    q.finish();
    db.rollback();
    LearnerHistory empty;
    empty.learner = m_learner.shown;
    return empty;
  }
  q.finish();
  db.commit();
  return h;
}

}  // namespace shurencho
