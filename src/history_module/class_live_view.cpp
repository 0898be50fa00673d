#include "history_module/class_live_view.h"

#include <QDate>
#include <QDateTime>
#include <QLabel>
#include <QMetaObject>
#include <QTableWidget>
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
  connect(m_gap, &QTimer::timeout, this, [this] {
    m_reread();
    ReadToday();
  });
  m_presenceGap = new QTimer(this);
  m_presenceGap->setSingleShot(true);
  m_presenceGap->setInterval(kRereadGapMs);
  connect(m_presenceGap, &QTimer::timeout, this, [this] { ReadToday(); });
  m_clock = new QTimer(this);
  m_clock->setInterval(15000);
  connect(m_clock, &QTimer::timeout, this, [this] { Render(); });
  m_clock->start();
  m_readAt.start();
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
      if (!m_lost) ReadToday();
      m_lost = false;
      break;
    case ClassListener::Event::Notified:
      if (!m_gap->isActive()) m_gap->start();
      break;
    case ClassListener::Event::Present:
      if (!m_presenceGap->isActive() && !m_gap->isActive()) m_presenceGap->start();
      break;
    case ClassListener::Event::Lost:
      m_lost = true;
      m_line->setText(
          QStringLiteral("クラスのサーバーとのつながりが切れました。つなぎ直しています…（%1）").arg(detail));
      break;
  }
}

}  // namespace shurencho

namespace shurencho {

QStringList ClassLive::Cells(const LearnerToday& today, qint64 sinceReadMs) {
  const bool open = today.seenAgeMs >= 0 && today.seenAgeMs + sinceReadMs <= kSeenWithinMs;
  const bool idle = open && today.itemAgeMs >= 0 && today.itemAgeMs + sinceReadMs > kIdleMs;
  QString sign;
  if (!today.stuckKana.isEmpty())
    sign = QStringLiteral("とまっている（%1×%2）").arg(today.stuckKana).arg(today.stuckMisses);
  else if (idle)
    sign = QStringLiteral("とまっている");
  QString assignment;
  if (const auto& p = today.assignment; p && p->finished())
    assignment = QStringLiteral("おわり");
  else if (p)
    assignment = QStringLiteral("%1／%2").arg(p->done).arg(p->assignment.needed());
  return {open && !today.page.isEmpty() ? QStringLiteral("いま：") + today.page : QStringLiteral("－"),
          today.passes == 0 ? QStringLiteral("－") : QString::number(today.passes),
          today.bestSpeed < 0 ? QStringLiteral("－") : QString::number(today.bestSpeed), sign, assignment};
}

void ClassLive::ShowColumns(QTableWidget* table, const QList<qint64>& learners) {
  m_table = table;
  m_firstColumn = table->columnCount();
  m_learners = learners;
  const QStringList headers{QStringLiteral("いま"), QStringLiteral("今日の回数"),
                            QStringLiteral("今日の最高 字／分"), QStringLiteral("ようす"),
                            QStringLiteral("課題")};
  table->setColumnCount(m_firstColumn + static_cast<int>(headers.size()));
  for (int c = 0; c < headers.size(); ++c)
    table->setHorizontalHeaderItem(m_firstColumn + c, new QTableWidgetItem(headers[c]));
  Render();
}

void ClassLive::ReadToday() {
  // The school's day, in the teacher's machine's zone.
  const qint64 since = QDate::currentDate().startOfDay().toMSecsSinceEpoch();
  m_listener->ReadToday(since, [inbox = m_inbox](bool ok, const ClassToday& today, const QString&) {
    if (!ok) return;  // said by the listener as a lost connection
    const std::lock_guard lock(inbox->mutex);
    if (!inbox->live) return;
    QMetaObject::invokeMethod(
        inbox->live,
        [live = inbox->live, today] {
          live->m_today = today;
          live->m_readAt.start();
          live->Render();
        },
        Qt::QueuedConnection);
  });
}

void ClassLive::Render() {
  if (!m_table) return;
  for (int r = 0; r < std::min<qsizetype>(m_table->rowCount(), m_learners.size()); ++r) {
    const QStringList cells = Cells(m_today.value(m_learners[r]), m_readAt.elapsed());
    for (int c = 0; c < cells.size(); ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
      if (c == 1 || c == 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      m_table->setItem(r, m_firstColumn + c, item);
    }
  }
  m_table->resizeColumnToContents(m_firstColumn);
  m_table->resizeColumnToContents(m_firstColumn + 3);
}

}  // namespace shurencho
