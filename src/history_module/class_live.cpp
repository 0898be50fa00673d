#include "history_module/class_live.h"

#include <QLabel>
#include <QMetaObject>
#include <QTimer>
#include <mutex>

namespace shurencho {

struct ClassLive::Inbox {
  std::mutex mutex;
  ClassLive* live = nullptr;
};

ClassLive::ClassLive(const QString& serverText, QLabel* line, std::function<void()> reread, QObject* parent)
    : QObject(parent), m_line(line), m_reread(std::move(reread)), m_inbox(std::make_shared<Inbox>()) {
  m_gap = new QTimer(this);
  m_gap->setSingleShot(true);
  m_gap->setInterval(kRereadGapMs);
  connect(m_gap, &QTimer::timeout, this, [this] { m_reread(); });
  m_inbox->live = this;
  m_line->setText(QStringLiteral("クラスのサーバーからの知らせを待つ準備をしています…"));
  m_listener = std::make_unique<ClassListener>(
      serverText, [inbox = m_inbox](ClassListener::Event event, const QString& detail) {
        const std::lock_guard lock(inbox->mutex);
        if (!inbox->live) return;
        QMetaObject::invokeMethod(
            inbox->live, [live = inbox->live, event, detail] { live->Told(event, detail); },
            Qt::QueuedConnection);
      });
  m_listener->Start();
}

ClassLive::~ClassLive() {
  {
    const std::lock_guard lock(m_inbox->mutex);
    m_inbox->live = nullptr;
  }
  m_listener.reset();
}

bool ClassLive::LeftRunning() { return ClassListener::LeftRunning(); }

void ClassLive::Told(ClassListener::Event event, const QString& detail) {
  switch (event) {
    case ClassListener::Event::Listening:
      m_line->setText(QStringLiteral("練習が終わるたびに、表は自動で新しくなります。"));
      // Passes sent while the connection was down were not told.
      if (m_lost && !m_gap->isActive()) m_gap->start();
      m_lost = false;
      break;
    case ClassListener::Event::Notified:
      if (!m_gap->isActive()) m_gap->start();
      break;
    case ClassListener::Event::Lost:
      m_lost = true;
      m_line->setText(
          QStringLiteral("クラスのサーバーとのつながりが切れました。つなぎ直しています…（%1）").arg(detail));
      break;
  }
}

}  // namespace shurencho
