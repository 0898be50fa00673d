#include "history_postgres/class_listener.h"

#include <QMetaObject>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>
#include <QVariant>
#include <atomic>
#include <vector>

#include "history/assignment.h"
#include "history_postgres/postgres_history_store.h"

namespace shurencho {

namespace {

// The driver says nothing when the server goes away: the connection is
// asked a trivial question this often (no table is read).
constexpr int kAliveCheckMs = 5000;
// Keepalives find a vanished peer; the statement timeout a quiet one.
const QString kListenOptions = QStringLiteral(
    "connect_timeout=5;application_name=shurencho-class;keepalives=1;keepalives_idle=5;"
    "keepalives_interval=2;keepalives_count=3;tcp_user_timeout=10000;options='-c statement_timeout=5000'");

std::atomic<int> g_lastConnection{0};
std::atomic<bool> g_leftRunning{false};

}  // namespace

class ClassListener::Runner final : public QObject {
 public:
  Runner(QString server, Told told, int retryMs)
      : m_server(std::move(server)), m_told(std::move(told)), m_retryMs(retryMs) {}

  void Begin() {
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, [this] { Connect(); });
    m_alive = new QTimer(this);
    m_alive->setInterval(kAliveCheckMs);
    connect(m_alive, &QTimer::timeout, this, [this] { CheckAlive(); });
    Connect();
  }

  void End() {
    if (m_retry) m_retry->stop();
    Drop();
    QThread::currentThread()->quit();
  }

  void ReadToday(qint64 since, const TodayDone& done) {
    if (m_name.isEmpty()) return;
    ClassToday today;
    QString error;
    const bool ok = ReadPasses(since, &today, &error);
    if (!ok) Lost(error);
    done(ok, today, error);
  }

  std::atomic<bool> m_stopping{false};

 private:
  bool ReadPasses(qint64 since, ClassToday* today, QString* error) {
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.prepare(QStringLiteral(
        "SELECT learner, COUNT(*), MAX(chars_per_minute) FILTER (WHERE btrim(grade) <> '' AND grade NOT IN "
        "('途中', '計測なし')) FROM typing_runs WHERE at_ms >= ? GROUP BY learner"));
    q.addBindValue(since);
    if (!q.exec()) return Failed(q, error);
    while (q.next()) {
      LearnerToday& t = (*today)[q.value(0).toLongLong()];
      t.passes = q.value(1).toInt();
      t.bestSpeed = q.value(2).isNull() ? -1 : q.value(2).toInt();
    }
    // The last pass today holds the refusals made after the pass before it
    // ended, up to its own end.
    q.prepare(QStringLiteral(
        "WITH last AS (SELECT DISTINCT ON (learner) learner, at_ms FROM typing_runs WHERE at_ms >= ? "
        "ORDER BY learner, at_ms DESC), "
        "span AS (SELECT l.learner, l.at_ms, COALESCE((SELECT MAX(t.at_ms) FROM typing_runs t "
        "WHERE t.learner = l.learner AND t.at_ms < l.at_ms), -1) AS after_ms FROM last l) "
        "SELECT DISTINCT ON (s.learner) s.learner, m.unit, COUNT(*) AS misses FROM span s "
        "JOIN key_misses m ON m.learner = s.learner AND m.at_ms > s.after_ms AND m.at_ms <= s.at_ms "
        "GROUP BY s.learner, m.unit HAVING COUNT(*) >= ? ORDER BY s.learner, misses DESC, m.unit"));
    q.addBindValue(since);
    q.addBindValue(kStuckMisses);
    if (!q.exec()) return Failed(q, error);
    while (q.next()) {
      LearnerToday& t = (*today)[q.value(0).toLongLong()];
      t.stuckKana = q.value(1).toString();
      t.stuckMisses = q.value(2).toInt();
    }
    if (!ReadAssignments(q, today, error)) return false;
    // The machine seen last, for a learner on two; a server set up before
    // there was presence has none.
    if (!q.exec(QStringLiteral("SELECT to_regclass('presence') IS NOT NULL")) || !q.next())
      return Failed(q, error);
    if (!q.value(0).toBool()) return true;
    if (!q.exec(QStringLiteral("SELECT DISTINCT ON (learner) learner, page, now_ms - seen_ms, now_ms - "
                               "last_item_ms FROM presence, "
                               "(SELECT (extract(epoch FROM clock_timestamp()) * 1000)::BIGINT AS now_ms) n "
                               "ORDER BY learner, seen_ms DESC")))
      return Failed(q, error);
    while (q.next()) {
      LearnerToday& t = (*today)[q.value(0).toLongLong()];
      t.page = q.value(1).toString();
      t.seenAgeMs = q.value(2).toLongLong();
      t.itemAgeMs = q.value(3).isNull() ? -1 : q.value(3).toLongLong();
    }
    return true;
  }

  // Each learner's progress with the class's latest assignment still open,
  // counted from their runs since it was set by the rule the learner's own
  // machine counts with. A server set up before assignments has none.
  static bool ReadAssignments(QSqlQuery& q, ClassToday* today, QString* error) {
    if (!q.exec(QStringLiteral("SELECT to_regclass('assignments') IS NOT NULL")) || !q.next())
      return Failed(q, error);
    if (!q.value(0).toBool()) return true;
    q.prepare(QStringLiteral(
        "WITH n AS (SELECT (extract(epoch FROM clock_timestamp()) * 1000)::BIGINT AS now_ms), "
        "a AS (SELECT DISTINCT ON (class_code) class_code, id, kind, course, passes, passage, until_ms, "
        "set_ms FROM assignments, n WHERE until_ms = 0 OR until_ms > n.now_ms "
        "ORDER BY class_code, set_ms DESC, id DESC) "
        "SELECT l.id, a.id, a.kind, a.course, a.passes, a.passage, a.until_ms, a.set_ms, t.at_ms, t.course, "
        "t.text_name, t.grade FROM learners l JOIN a ON a.class_code = l.class_code "
        "LEFT JOIN typing_runs t ON t.learner = l.id AND t.at_ms >= a.set_ms AND "
        "t.course = CASE WHEN a.kind = 'test' THEN ? ELSE a.course END ORDER BY l.id"));
    q.addBindValue(kSkillTestCourse);
    if (!q.exec()) return Failed(q, error);
    QHash<qint64, QPair<Assignment, QList<TypingRunRecord>>> found;
    while (q.next()) {
      auto& [assignment, runs] = found[q.value(0).toLongLong()];
      assignment = AssignmentFrom(q, 1);
      if (q.value(8).isNull()) continue;
      TypingRunRecord run;
      run.at = q.value(8).toLongLong();
      run.course = q.value(9).toInt();
      run.textName = q.value(10).toString();
      run.grade = q.value(11).toString();
      runs.append(run);
    }
    for (auto it = found.cbegin(); it != found.cend(); ++it)
      (*today)[it.key()].assignment = ProgressOf(it->first, it->second);
    return true;
  }

  static bool Failed(const QSqlQuery& q, QString* error) {
    *error = q.lastError().text().trimmed();
    return false;
  }

  void Connect() {
    if (m_stopping.load()) return;
    ServerAddress address;
    QString error;
    if (!ParseServerText(m_server, &address, &error)) {
      // A wrong address stays wrong: said once, not tried again.
      m_told(Event::Lost, error);
      return;
    }
    m_name = QStringLiteral("shurencho-listen-%1").arg(g_lastConnection.fetch_add(1) + 1);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    db.setHostName(address.host);
    if (address.port > 0) db.setPort(address.port);
    db.setDatabaseName(address.database);
    db.setUserName(address.user);
    db.setConnectOptions(kListenOptions);
    if (!db.open()) {
      Lost(db.lastError().text().trimmed());
      return;
    }
    QSqlDriver* driver = db.driver();
    connect(driver, &QSqlDriver::notification, this,
            [this](const QString& channel, QSqlDriver::NotificationSource, const QVariant& payload) {
              if (channel != QLatin1String(kChannel)) return;
              const QString text = payload.toString();
              if (text.startsWith(QLatin1String("presence:")))
                m_told(Event::Present, text.mid(9));
              else
                m_told(Event::Notified, text);
            });
    if (!driver->subscribeToNotification(QLatin1String(kChannel))) {
      Lost(driver->lastError().text().trimmed());
      return;
    }
    m_alive->start();
    m_told(Event::Listening, QString());
  }

  void CheckAlive() {
    bool ok = false;
    {
      QSqlQuery q(QSqlDatabase::database(m_name, false));
      ok = q.exec(QStringLiteral("SELECT 1"));
      if (!ok) m_lastError = q.lastError().text().trimmed();
    }
    if (!ok) Lost(m_lastError);
  }

  void Lost(const QString& why) {
    Drop();
    if (m_stopping.load()) return;
    // The driver has no words for a connection the server closed.
    m_told(Event::Lost, why.isEmpty() ? QStringLiteral("サーバーが応答しません。") : why);
    m_retry->start(m_retryMs);
  }

  void Drop() {
    if (m_alive) m_alive->stop();
    if (m_name.isEmpty()) return;
    {
      QSqlDatabase db = QSqlDatabase::database(m_name, false);
      if (db.isValid()) {
        QObject::disconnect(db.driver(), nullptr, this, nullptr);
        db.close();
      }
    }
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
  }

  QString m_server;
  Told m_told;
  int m_retryMs;
  QString m_name;  // the connection, empty when there is none
  QString m_lastError;
  QTimer* m_retry = nullptr;
  QTimer* m_alive = nullptr;
};

ClassListener::ClassListener(QString serverText, Told told, int retryMs)
    : m_thread(std::make_unique<QThread>()),
      m_runner(new Runner(std::move(serverText), std::move(told), retryMs)) {
  m_thread->setObjectName(QStringLiteral("class listener"));
  m_runner->moveToThread(m_thread.get());
}

ClassListener::~ClassListener() {
  if (m_thread->isRunning()) {
    m_runner->m_stopping.store(true);
    QMetaObject::invokeMethod(
        m_runner, [r = m_runner] { r->End(); }, Qt::QueuedConnection);
    if (!m_thread->wait(1500)) {
      // Still making a connection to a server gone quiet: a running thread
      // must not be destroyed, so it and its runner stay for the process.
      static auto* const leftRunning = new std::vector<std::pair<QThread*, Runner*>>;
      leftRunning->emplace_back(m_thread.release(), m_runner);
      g_leftRunning.store(true);
      return;
    }
  }
  delete m_runner;
}

void ClassListener::ReadToday(qint64 sinceMs, TodayDone done) {
  QMetaObject::invokeMethod(
      m_runner, [r = m_runner, sinceMs, done = std::move(done)] { r->ReadToday(sinceMs, done); },
      Qt::QueuedConnection);
}

bool ClassListener::LeftRunning() { return g_leftRunning.load(); }

void ClassListener::Start() {
  if (m_thread->isRunning()) return;
  m_thread->start();
  QMetaObject::invokeMethod(
      m_runner, [r = m_runner] { r->Begin(); }, Qt::QueuedConnection);
}

}  // namespace shurencho
