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

  std::atomic<bool> m_stopping{false};

 private:
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
              if (channel == QLatin1String(kChannel)) m_told(Event::Notified, payload.toString());
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
    m_told(Event::Lost, why);
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

bool ClassListener::LeftRunning() { return g_leftRunning.load(); }

void ClassListener::Start() {
  if (m_thread->isRunning()) return;
  m_thread->start();
  QMetaObject::invokeMethod(
      m_runner, [r = m_runner] { r->Begin(); }, Qt::QueuedConnection);
}

}  // namespace shurencho
