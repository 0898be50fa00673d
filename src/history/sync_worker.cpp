#include "history/sync_worker.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>
#include <atomic>
#include <mutex>
#include <vector>

namespace shurencho {

class SyncWorker::Runner final : public QObject {
 public:
  Runner(SourceMaker source, SenderMaker sender, int intervalMs, RoundDone done)
      : m_makeSource(std::move(source)),
        m_makeSender(std::move(sender)),
        m_intervalMs(intervalMs),
        m_done(std::move(done)) {}

  void Begin() {
    if (m_stopping.load()) return;
    m_timer = new QTimer(this);
    m_timer->setInterval(m_intervalMs);
    QObject::connect(m_timer, &QTimer::timeout, this, [this] { Round(); });
    m_timer->start();
    m_presenceTimer = new QTimer(this);
    m_presenceTimer->setInterval(kPresenceMs);
    QObject::connect(m_presenceTimer, &QTimer::timeout, this, [this] {
      SyncQueue::Result result;
      result.ok = SendPresence(&result.error);
      if (result.ok) return;
      DropSender();
      if (m_done) m_done(result);
    });
    m_presenceTimer->start();
    Round();
  }

  void SetPresence(const Presence& presence) {
    const std::lock_guard lock(m_presenceMutex);
    m_presence = presence;
    m_presenceSet.start();
  }

  // Only with a connection made by a round: a server that is away is not
  // tried more often for it. True when sent or nothing was to be sent.
  bool SendPresence(QString* error) {
    if (m_stopping.load() || !m_sender) return true;
    Presence now;
    {
      const std::lock_guard lock(m_presenceMutex);
      if (m_presence.empty()) return true;
      now = m_presence;
      if (now.itemAgeMs >= 0) now.itemAgeMs += m_presenceSet.elapsed();
    }
    return m_sender->SendPresence(now, error);
  }

  void Round() {
    if (m_stopping.load()) return;
    SyncQueue::Result result;
    if (!m_source) m_source = m_makeSource(&result.error);
    if (m_source && !m_sender) {
      std::unique_ptr<SyncSender> made = m_makeSender(&result.error);
      const std::lock_guard lock(m_senderMutex);
      m_sender = std::move(made);
      // A stop asked for while the connection was being made.
      if (m_sender && m_stopping.load()) m_sender->Interrupt();
    }
    if (m_source && m_sender) {
      SyncQueue queue(*m_source, *m_sender);
      result = queue.Run(SyncQueue::kBatchRows, &m_stopping);
      // The assignments follow the rows, so that progress sent and
      // assignment read are of the same moment.
      QList<Assignment> read;
      if (result.ok && !m_stopping.load()) {
        if (queue.FetchAssignments(QDateTime::currentMSecsSinceEpoch(), &read, &result.error)) {
          result.assignmentsChanged = !m_fetched || read != m_assignments;
          m_assignments = read;
          m_fetched = true;
        } else {
          result.ok = false;
        }
      }
    } else {
      result.ok = false;
    }
    if (result.ok) result.ok = SendPresence(&result.error);
    // A lost server comes back as a new connection.
    if (!result.ok) DropSender();
    if (m_done) m_done(result);
  }

  // On the worker's thread: closes both connections there and ends the thread.
  void End() {
    delete m_timer;
    m_timer = nullptr;
    delete m_presenceTimer;
    m_presenceTimer = nullptr;
    DropSender();
    m_source.reset();
    QThread::currentThread()->quit();
  }

  // From the owner's thread.
  void AskToStop() {
    m_stopping.store(true);
    const std::lock_guard lock(m_senderMutex);
    if (m_sender) m_sender->Interrupt();
  }

 private:
  void DropSender() {
    std::unique_ptr<SyncSender> gone;
    const std::lock_guard lock(m_senderMutex);
    gone.swap(m_sender);
  }

  SourceMaker m_makeSource;
  SenderMaker m_makeSender;
  int m_intervalMs;
  RoundDone m_done;
  QTimer* m_timer = nullptr;
  QTimer* m_presenceTimer = nullptr;
  std::mutex m_presenceMutex;  // the owner sets, the worker reads
  Presence m_presence;
  QElapsedTimer m_presenceSet;
  std::atomic<bool> m_stopping{false};
  std::mutex m_senderMutex;  // m_sender is swapped on the worker's thread, interrupted from the owner's
  std::unique_ptr<SyncSource> m_source;
  std::unique_ptr<SyncSender> m_sender;
  QList<Assignment> m_assignments;  // as last read, to tell a change
  bool m_fetched = false;
};

SyncWorker::SyncWorker(SourceMaker source, SenderMaker sender, int intervalMs, RoundDone done)
    : m_thread(std::make_unique<QThread>()),
      m_runner(new Runner(std::move(source), std::move(sender), intervalMs, std::move(done))) {
  m_thread->setObjectName(QStringLiteral("history sync"));
  m_runner->moveToThread(m_thread.get());
}

SyncWorker::~SyncWorker() { Stop(); }

void SyncWorker::Start() {
  if (!m_thread || m_asked || m_thread->isRunning()) return;
  m_thread->start();
  QMetaObject::invokeMethod(
      m_runner, [runner = m_runner] { runner->Begin(); }, Qt::QueuedConnection);
}

void SyncWorker::SyncSoon() {
  if (!m_thread) return;
  QMetaObject::invokeMethod(
      m_runner, [runner = m_runner] { runner->Round(); }, Qt::QueuedConnection);
}

void SyncWorker::SetPresence(const Presence& presence) {
  if (m_runner) m_runner->SetPresence(presence);
}

void SyncWorker::AskToStop(int waitMs) {
  if (!m_thread || m_asked) return;
  m_asked = true;
  m_stopBy = QDeadlineTimer(waitMs);
  if (!m_thread->isRunning()) return;
  m_runner->AskToStop();
  QMetaObject::invokeMethod(
      m_runner, [runner = m_runner] { runner->End(); }, Qt::QueuedConnection);
}

bool SyncWorker::Stop(int waitMs) {
  if (!m_thread) return true;
  AskToStop(waitMs);
  if (m_thread->isRunning()) {
    if (!m_thread->wait(m_stopBy)) {
      // A running QThread must not be destroyed: the thread and its runner
      // are kept, reachable, for as long as the process lives.
      static auto* const leftRunning = new std::vector<std::pair<QThread*, Runner*>>;
      leftRunning->emplace_back(m_thread.release(), m_runner);
      m_runner = nullptr;
      return false;
    }
  }
  delete m_runner;
  m_runner = nullptr;
  m_thread.reset();
  return true;
}

}  // namespace shurencho
