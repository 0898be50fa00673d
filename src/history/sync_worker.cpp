#include "history/sync_worker.h"

#include <QMetaObject>
#include <QTimer>

namespace shurencho {

class SyncWorker::Runner final : public QObject {
 public:
  Runner(SourceMaker source, SenderMaker sender, int intervalMs, RoundDone done)
      : m_makeSource(std::move(source)),
        m_makeSender(std::move(sender)),
        m_intervalMs(intervalMs),
        m_done(std::move(done)) {}

  void Begin() {
    m_timer = new QTimer(this);
    m_timer->setInterval(m_intervalMs);
    QObject::connect(m_timer, &QTimer::timeout, this, [this] { Round(); });
    m_timer->start();
    Round();
  }

  void Round() {
    SyncQueue::Result result;
    if (!m_source) m_source = m_makeSource(&result.error);
    if (m_source && !m_sender) m_sender = m_makeSender(&result.error);
    if (m_source && m_sender) {
      SyncQueue queue(*m_source, *m_sender);
      result = queue.Run();
    } else {
      result.ok = false;
    }
    // A lost server comes back as a new connection.
    if (!result.ok) m_sender.reset();
    if (m_done) m_done(result);
  }

  void End() {
    delete m_timer;
    m_timer = nullptr;
    m_sender.reset();
    m_source.reset();
  }

 private:
  SourceMaker m_makeSource;
  SenderMaker m_makeSender;
  int m_intervalMs;
  RoundDone m_done;
  QTimer* m_timer = nullptr;
  std::unique_ptr<SyncSource> m_source;
  std::unique_ptr<SyncSender> m_sender;
};

SyncWorker::SyncWorker(SourceMaker source, SenderMaker sender, int intervalMs, RoundDone done)
    : m_runner(new Runner(std::move(source), std::move(sender), intervalMs, std::move(done))) {
  m_thread.setObjectName(QStringLiteral("history sync"));
  m_runner->moveToThread(&m_thread);
}

SyncWorker::~SyncWorker() {
  if (m_thread.isRunning()) {
    QMetaObject::invokeMethod(
        m_runner, [this] { m_runner->End(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
  }
  delete m_runner;
}

void SyncWorker::Start() {
  if (m_thread.isRunning()) return;
  m_thread.start();
  QMetaObject::invokeMethod(
      m_runner, [this] { m_runner->Begin(); }, Qt::QueuedConnection);
}

void SyncWorker::SyncSoon() {
  QMetaObject::invokeMethod(
      m_runner, [this] { m_runner->Round(); }, Qt::QueuedConnection);
}

}  // namespace shurencho
