#include "adapters/postgres_history_store.h"

#include <dlfcn.h>
#include <sys/socket.h>

#include <QAtomicInt>
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
#include <mutex>
#include <thread>

#include "history/history_schema.h"

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

bool SetError(QString* error, const QString& text) {
  if (error) *error = text;
  return false;
}
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
  static QAtomicInt serial;
  const QString name = QStringLiteral("shurencho-server-%1").arg(serial.fetchAndAddRelaxed(1));
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
  {
    QSqlDatabase db = QSqlDatabase::database(name, false);
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
}

// The text columns are NOT NULL, and the driver sends a null string as NULL.
QVariant Text(const QString& text) { return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text); }

QString SyncId(const QString& origin, qint64 localId) {
  return origin + QLatin1Char('/') + QString::number(localId);
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
    if (user.contains(QLatin1Char(':'))) {
      return SetError(
          error,
          QStringLiteral("パスワードは設定ファイルに書かないでください（~/.pgpass か PGPASSWORD に）。"));
    }
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
  const QUrlQuery params(query);
  for (const auto& [key, value] : params.queryItems(QUrl::FullyDecoded)) {
    if (key == QStringLiteral("host")) {
      address->host = value;
    } else if (key == QStringLiteral("port")) {
      port = value;
    } else if (key == QStringLiteral("user")) {
      address->user = value;
    } else if (key == QStringLiteral("dbname")) {
      address->database = value;
    } else if (key == QStringLiteral("password")) {
      return SetError(
          error,
          QStringLiteral("パスワードは設定ファイルに書かないでください（~/.pgpass か PGPASSWORD に）。"));
    }
  }
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

// Prepares one insert and runs it for each row with the values the row gives.
template <typename Rows, typename Values, typename Arm>
bool InsertEach(QSqlQuery& q, const QString& sql, const Rows& rows, Values values, const Arm& arm,
                QSqlError* failed) {
  if (rows.isEmpty()) return true;
  arm();
  q.prepare(sql);
  for (const auto& row : rows) {
    for (const QVariant& v : values(row)) q.addBindValue(v);
    arm();
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
  return std::unique_ptr<PostgresSyncSender>(new PostgresSyncSender(name, std::move(guard)));
}

PostgresSyncSender::PostgresSyncSender(QString connection, std::unique_ptr<StallGuard> guard)
    : m_connection(std::move(connection)), m_guard(std::move(guard)) {}

PostgresSyncSender::~PostgresSyncSender() { Disconnect(m_connection, &m_guard); }

void PostgresSyncSender::Interrupt() {
  if (m_guard) m_guard->Trip();
}

bool PostgresSyncSender::Send(const SyncBatch& batch, QString* error) {
  if (batch.empty()) return true;
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  // Each statement's answer is waited for a bounded time.
  const auto arm = [this] {
    if (m_guard) m_guard->Arm();
  };
  struct Disarm {
    StallGuard* guard;
    ~Disarm() {
      if (guard) guard->Disarm();
    }
  } disarm{m_guard.get()};
  QSqlError failed;
  QHash<QString, qint64> made;  // learners first seen in this transaction
  const auto body = [&]() -> bool {
    QHash<qint64, qint64> ids;  // local learner -> the server's
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT shurencho_learner_id(?, ?)"));
    for (auto it = batch.learners.cbegin(); it != batch.learners.cend(); ++it) {
      const QString key = it->first + QChar(0) + it->second;
      if (const auto known = m_learnerIds.constFind(key); known != m_learnerIds.constEnd()) {
        ids.insert(it.key(), *known);
        continue;
      }
      q.addBindValue(it->first);
      q.addBindValue(it->second);
      arm();
      if (!q.exec() || !q.next()) return failed = q.lastError(), false;
      ids.insert(it.key(), q.value(0).toLongLong());
      made.insert(key, q.value(0).toLongLong());
    }
    // Rows the server already holds (sent before a crash) are left as they are.
    const auto learner = [&](const auto& row) { return QVariant(ids.value(row.learner)); };
    const auto syncId = [&](const auto& row) { return QVariant(SyncId(batch.origin, row.localId)); };
    return InsertEach(
               q,
               QStringLiteral(
                   "INSERT INTO drill_items (learner, at_ms, course, item, characters, keystrokes, "
                   "refused, seconds, sync_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) "
                   "ON CONFLICT DO NOTHING"),
               batch.items,
               [&](const auto& row) {
                 const DrillItemRecord& r = row.record;
                 return QVariantList{learner(row),        QVariant(r.at),         QVariant(r.course),
                                     Text(r.item),        QVariant(r.characters), QVariant(r.keystrokes),
                                     QVariant(r.refused), QVariant(r.seconds),    syncId(row)};
               },
               arm, &failed) &&
           InsertEach(
               q,
               QStringLiteral("INSERT INTO typing_runs (learner, at_ms, course, text_name, characters, "
                              "keystrokes, refused, seconds, chars_per_minute, keys_per_minute, accuracy, "
                              "grade, sync_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                              "ON CONFLICT DO NOTHING"),
               batch.runs,
               [&](const auto& row) {
                 const TypingRunRecord& r = row.record;
                 return QVariantList{learner(row),
                                     QVariant(r.at),
                                     QVariant(r.course),
                                     Text(r.textName),
                                     QVariant(r.characters),
                                     QVariant(r.keystrokes),
                                     QVariant(r.refused),
                                     QVariant(r.seconds),
                                     QVariant(r.charsPerMinute),
                                     QVariant(r.keysPerMinute),
                                     QVariant(r.accuracy),
                                     Text(r.grade),
                                     syncId(row)};
               },
               arm, &failed) &&
           InsertEach(
               q,
               QStringLiteral("INSERT INTO key_misses (learner, at_ms, course, unit, typed, pressed, "
                              "expected, sync_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"),
               batch.misses,
               [&](const auto& row) {
                 const KeyMissRecord& r = row.record;
                 return QVariantList{learner(row),  QVariant(r.at), QVariant(r.course), Text(r.unit),
                                     Text(r.typed), Text(r.key),    Text(r.expected),   syncId(row)};
               },
               arm, &failed) &&
           InsertEach(
               q,
               QStringLiteral("INSERT INTO mouse_stages (learner, at_ms, game, stage, misses, moves, "
                              "seconds, sync_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"),
               batch.mouse,
               [&](const auto& row) {
                 const MouseRecord& r = row.record;
                 return QVariantList{
                     learner(row),        QVariant(r.at),     QVariant(static_cast<int>(r.game)),
                     QVariant(r.stage),   QVariant(r.misses), QVariant(r.moves),
                     QVariant(r.seconds), syncId(row)};
               },
               arm, &failed);
  };
  arm();
  if (!db.transaction()) return Fail(error, db.lastError());
  if (!body()) {
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

bool ReadClassFromServer(const QString& serverText, ClassOnServer* out, QString* error) {
  std::unique_ptr<StallGuard> guard;
  const QString name = Connect(serverText, error, &guard, Clock::now() + kClassReadWait);
  if (name.isEmpty()) return false;
  *out = ClassOnServer{};
  bool ok = [&] {
    QSqlDatabase db = QSqlDatabase::database(name, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // One snapshot for every figure.
    if (!db.transaction()) return Fail(error, db.lastError());
    const auto fail = [&] {
      const QSqlError e = q.lastError();
      q.finish();
      db.rollback();
      return Fail(error, e);
    };
    if (!q.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY")) ||
        !q.exec(QStringLiteral("SELECT id, name, machine FROM learners ORDER BY id"))) {
      return fail();
    }
    QHash<qint64, qsizetype> at;
    QHash<QString, int> nameCount;
    while (q.next()) {
      ServerLearner l{q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), {}};
      ++nameCount[l.name];
      at.insert(l.id, out->learners.size());
      out->learners.append(l);
      ClassRow row;
      row.courses = SummarizeSpeeds({}, QList<int>(kOccasionalCourses.begin(), kOccasionalCourses.end()));
      row.mouse = SummarizeMouse({});
      out->rows.append(row);
    }
    for (qsizetype i = 0; i < out->learners.size(); ++i) {
      ServerLearner& l = out->learners[i];
      l.shown = nameCount.value(l.name) > 1 ? QStringLiteral("%1（%2）").arg(l.name, l.machine) : l.name;
      out->rows[i].learner = l.shown;
    }
    // Every row lists the same courses (SummarizeSpeeds' order).
    const QList<CourseSpeeds> listed =
        SummarizeSpeeds({}, QList<int>(kOccasionalCourses.begin(), kOccasionalCourses.end()));
    const auto courseIndex = [&listed](int course) -> qsizetype {
      for (qsizetype i = 0; i < listed.size(); ++i)
        if (listed[i].course == course) return i;
      return -1;
    };
    // Per learner and course: the best, the count, the keys and the newest
    // run, as the server keeps them with every run added.
    QHash<qint64, QPair<qint64, qint64>> keys;  // learner -> judged, refused
    if (!q.exec(QStringLiteral("SELECT learner, course, best, runs, keystrokes, refused, latest_at, latest "
                               "FROM course_tally"))) {
      return fail();
    }
    while (q.next()) {
      const auto row = at.constFind(q.value(0).toLongLong());
      const qsizetype c = courseIndex(q.value(1).toInt());
      if (row == at.constEnd()) continue;
      ClassRow& r = out->rows[*row];
      const qint64 judged = q.value(4).toLongLong(), refused = q.value(5).toLongLong();
      r.runs += q.value(3).toInt();
      r.latestAt = std::max(r.latestAt, q.value(6).toLongLong());
      keys[q.value(0).toLongLong()].first += judged;
      keys[q.value(0).toLongLong()].second += refused;
      if (c < 0) continue;
      CourseSpeeds& s = r.courses[c];
      s.best = q.value(2).toInt();
      s.runs = q.value(3).toInt();
      s.latestAt = q.value(6).toLongLong();
      s.latest = q.value(7).toInt();
      if (judged > 0) s.accuracy = 1.0 - double(refused) / double(judged);
    }
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
      if (it->first > 0)
        out->rows[at.value(it.key())].accuracy = 1.0 - double(it->second) / double(it->first);
    }
    if (!q.exec(QStringLiteral("SELECT learner, game, MAX(stage), COUNT(*), MAX(at_ms) FROM mouse_stages "
                               "GROUP BY learner, game"))) {
      return fail();
    }
    while (q.next()) {
      const auto row = at.constFind(q.value(0).toLongLong());
      if (row == at.constEnd()) continue;
      ClassRow& r = out->rows[*row];
      r.latestAt = std::max(r.latestAt, q.value(4).toLongLong());
      for (MouseProgress& g : r.mouse) {
        if (static_cast<int>(g.game) != q.value(1).toInt()) continue;
        g.bestStage = q.value(2).toInt();
        g.plays = q.value(3).toInt();
      }
    }
    if (!q.exec(
            QStringLiteral("SELECT learner, unit, SUM(misses) AS n FROM miss_tally GROUP BY learner, unit "
                           "ORDER BY learner, n DESC, unit"))) {
      return fail();
    }
    while (q.next()) {
      const auto row = at.constFind(q.value(0).toLongLong());
      if (row == at.constEnd()) continue;
      QList<UnitWeakness>& weakest = out->rows[*row].weakest;
      if (weakest.size() < 10) weakest.append(UnitWeakness{q.value(1).toString(), q.value(2).toInt(), {}});
    }
    q.finish();
    db.commit();
    DropUnusedCourses(out->rows);
    return true;
  }();
  if (!ok) NoAnswer(guard, error);
  Disconnect(name, &guard);
  if (!ok) *out = ClassOnServer{};
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
  struct Disarm {
    StallGuard* guard;
    ~Disarm() {
      if (guard) guard->Disarm();
    }
  } disarm{m_guard.get()};
  LearnerHistory h;
  h.learner = m_learner.shown;
  QSqlQuery q(db);
  q.setForwardOnly(true);
  const auto fail = [&] {
    if (!NoAnswer(m_guard, error)) Fail(error, q.lastError());
    q.finish();
    db.rollback();
    LearnerHistory empty;
    empty.learner = m_learner.shown;
    return empty;
  };
  if (!db.transaction()) {
    Fail(error, db.lastError());
    return h;
  }
  const auto select = [&](const QString& sql) {
    q.prepare(sql);
    q.addBindValue(m_learner.id);
    return q.exec();
  };
  if (!q.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY")) ||
      !select(QStringLiteral(
          "SELECT at_ms, course, text_name, characters, keystrokes, refused, seconds, chars_per_minute, "
          "keys_per_minute, accuracy, grade FROM typing_runs WHERE learner = ? ORDER BY at_ms"))) {
    return fail();
  }
  while (q.next()) {
    h.runs.append(TypingRunRecord{q.value(0).toLongLong(), q.value(1).toInt(), q.value(2).toString(),
                                  q.value(3).toInt(), q.value(4).toInt(), q.value(5).toInt(),
                                  q.value(6).toDouble(), q.value(7).toInt(), q.value(8).toInt(),
                                  q.value(9).toDouble(), q.value(10).toString()});
  }
  if (!select(QStringLiteral("SELECT at_ms, game, stage, misses, moves, seconds FROM mouse_stages "
                             "WHERE learner = ? ORDER BY at_ms"))) {
    return fail();
  }
  while (q.next()) {
    h.mouse.append(MouseRecord{q.value(0).toLongLong(), static_cast<MouseGame>(q.value(1).toInt()),
                               q.value(2).toInt(), q.value(3).toInt(), q.value(4).toInt(),
                               q.value(5).toDouble()});
  }
  if (!select(QStringLiteral("SELECT unit, pressed, SUM(misses) FROM miss_tally WHERE learner = ? "
                             "GROUP BY unit, pressed"))) {
    return fail();
  }
  QHash<QString, UnitWeakness> units;
  while (q.next()) {
    UnitWeakness& w = units[q.value(0).toString()];
    w.unit = q.value(0).toString();
    w.misses += q.value(2).toInt();
    w.wrongKeys.append({q.value(1).toString(), q.value(2).toInt()});
  }
  QList<UnitWeakness> ranked = units.values();
  std::sort(ranked.begin(), ranked.end(), [](const UnitWeakness& a, const UnitWeakness& b) {
    return a.misses != b.misses ? a.misses > b.misses : a.unit < b.unit;
  });
  if (ranked.size() > std::max(0, weakest)) ranked.resize(std::max(0, weakest));
  for (UnitWeakness& w : ranked) {
    std::sort(w.wrongKeys.begin(), w.wrongKeys.end(), [](const auto& a, const auto& b) {
      return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
  }
  h.weakest = ranked;
  const auto byKey = [&](const QString& column, QList<QPair<QString, int>>* out) {
    if (!select(QStringLiteral("SELECT %1, SUM(misses) AS n FROM miss_tally WHERE learner = ? AND %1 <> '' "
                               "GROUP BY %1 ORDER BY n DESC, %1")
                    .arg(column))) {
      return false;
    }
    while (q.next()) out->append({q.value(0).toString(), q.value(1).toInt()});
    return true;
  };
  if (!byKey(QStringLiteral("expected"), &h.missesByExpectedKey) ||
      !byKey(QStringLiteral("pressed"), &h.missesByPressedKey) ||
      !select(QStringLiteral("SELECT keystrokes FROM key_tally WHERE learner = ?"))) {
    return fail();
  }
  if (q.next()) h.keystrokes = q.value(0).toLongLong();
  q.finish();
  db.commit();
  return h;
}

}  // namespace shurencho
