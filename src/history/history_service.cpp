#include "history/history_service.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <algorithm>

#include "history/history_journal.h"

namespace shurencho {

namespace {

int Rows(const HistoryBatch& b) {
  return static_cast<int>(b.items.size() + b.runs.size() + b.misses.size() + b.mouse.size());
}

// Beyond this many batches in memory (no journal, nothing open) the oldest go.
constexpr int kMaxPending = 20000;
// The weakest units kept for the drill; it asks for fewer.
constexpr int kWeakKept = 32;

QString NotOpenYet() { return QStringLiteral("学習履歴のファイルをまだ開いていません。"); }

}  // namespace

// Touched on the service's thread only.
struct HistoryService::Listeners {
  QList<QPair<QPointer<QObject>, std::function<void()>>> learnerChanged;
  QList<QPair<QPointer<QObject>, std::function<void()>>> runsWritten;
  void TellRunsWritten() {
    runsWritten.removeIf([](const auto& l) { return l.first.isNull(); });
    for (const auto& [context, written] : runsWritten)
      if (context) written();
  }
  void Tell() {
    learnerChanged.removeIf([](const auto& l) { return l.first.isNull(); });
    // A listener may add another while being told.
    const auto now = learnerChanged;
    for (const auto& [context, changed] : now)
      if (context) changed();
  }
};

class HistoryService::Runner final : public QObject {
 public:
  Runner(Opener open, QString journalPath, Timing timing)
      : m_open(std::move(open)), m_journal(std::move(journalPath)), m_timing(timing) {
    m_status.journal = m_journal.path();
    m_delay = m_timing.retryFirstMs;
    // A lock is waited for a moment, and not at all once the program closes
    // past its time.
    m_busyWait = [this](qint64 waited) {
      if (m_stopping.load()) return !m_deadline.hasExpired();
      return waited < m_timing.busyWaitMs;
    };
  }

  // ---- Read from any thread ----
  mutable std::mutex m_mutex;
  HistoryStatus m_status;                   // guarded
  QStringList m_weak;                       // guarded
  QString m_learner;                        // guarded
  QString m_year;                           // guarded
  LearnerClass m_place;                     // guarded
  QList<AssignmentProgress> m_assignments;  // guarded
  Closing m_closing;                        // guarded; set by Close
  std::atomic<bool> m_stopping{false};
  QDeadlineTimer m_deadline;  // set before m_stopping

  std::function<bool()> m_looksUsable;  // set: the store waits for its first use
  std::atomic<bool> m_wanted{false};    // asked to open, maybe before Begin

  QObject* m_home = nullptr;  // on the service's thread, where answers are run
  QPointer<QObject> m_context;
  std::shared_ptr<Listeners> m_listeners;
  std::function<void(const HistoryStatus&)> m_onStatus;
  std::function<void()> m_onOpened;

  // Runs answer on the service's thread if context is still there then. An
  // answer is never posted to the context itself: it may be gone by the
  // time the worker answers (a 成績 window closed during a locked write).
  template <typename F>
  void Answer(const QPointer<QObject>& context, F answer) {
    QMetaObject::invokeMethod(m_home, [context, answer = std::move(answer)] {
      if (context) answer();
    });
  }

  // ---- The worker's own ----
  void Begin() {
    m_begun = true;
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    QObject::connect(m_retry, &QTimer::timeout, this, [this] { Retry(); });
    OpenJournal();
    if (!m_looksUsable || m_wanted.load() || !m_pending.isEmpty() || !m_looksUsable()) TryOpen();
  }

  // The first use of a history that waited to be used.
  void OpenIfWaiting() {
    if (m_begun && !m_triedOpen) TryOpen();
  }

  void Submit(HistoryBatch batch) {
    m_pending.append(std::move(batch));
    if (m_pending.size() > kMaxPending) {
      // Counted as lost even when the journal still holds it: the next
      // emptying of the journal would lose it.
      m_lostRows += Rows(m_pending.first());
      if (m_journaled > 0) --m_journaled;
      m_pending.removeFirst();
    }
    if (!m_begun) return;
    if (!m_triedOpen) {
      TryOpen();
      return;
    }
    if (m_store && !m_retry->isActive()) {
      Flush();
      return;
    }
    if (State() != HistoryStatus::State::Opening) KeepInJournal();
    Publish([](HistoryStatus&) {});
  }

  void Read(int weakest, const QPointer<QObject>& context, const ReadDone& done) {
    OpenIfWaiting();
    LearnerHistory h;
    QString error;
    if (m_store) {
      h = m_store->Read(weakest, &error);
    } else {
      const std::lock_guard lock(m_mutex);
      error = m_status.reason.isEmpty() ? NotOpenYet() : m_status.reason;
    }
    const HistoryStatus status = Status();
    if (done) Answer(context, [done, h, error, status] { done(h, error, status); });
  }

  void Rename(const QString& name, const QPointer<QObject>& context, const RenameDone& done) {
    ChangeLearner([&](HistoryStore& store, QString* error) { return store.SetLearnerName(name, error); },
                  context, done);
  }

  void SetYear(const QString& year, const QPointer<QObject>& context, const RenameDone& done) {
    ChangeLearner([&](HistoryStore& store, QString* error) { return store.SetLearnerYear(year, error); },
                  context, done);
  }

  void SetPlace(const LearnerClass& place, const QPointer<QObject>& context, const RenameDone& done) {
    ChangeLearner([&](HistoryStore& store, QString* error) { return store.SetClassOfLearner(place, error); },
                  context, done);
  }

  // A change to the learner's own row (name, grade, class), answered on the
  // asker's thread with whether it was stored and why not.
  template <typename Change>
  void ChangeLearner(const Change& change, const QPointer<QObject>& context, const RenameDone& done) {
    OpenIfWaiting();
    QString error;
    bool ok = false;
    if (m_store) {
      ok = change(*m_store, &error);
      if (ok) KnowLearner();
    } else {
      error = Status().reason.isEmpty() ? NotOpenYet() : Status().reason;
    }
    if (done) Answer(context, [done, ok, error] { done(ok, error); });
  }

  void Close() {
    if (m_retry) m_retry->stop();
    if (m_store) Flush();
    KeepInJournal();
    int rows = m_lostRows;
    for (const HistoryBatch& b : m_pending) rows += Rows(b);
    m_store.reset();
    m_journal.Close();
    const std::lock_guard lock(m_mutex);
    m_closing = Closing{rows, m_lostRows == 0 && m_journaled == m_pending.size(), true};
  }

  HistoryStatus Status() const {
    const std::lock_guard lock(m_mutex);
    return m_status;
  }

  // The class's assignments the file keeps, with the learner's progress;
  // the listeners are told when they changed.
  void RefreshAssignments() {
    if (!m_store) return;
    QList<AssignmentProgress> now;
    if (!m_store->Assignments(QDateTime::currentMSecsSinceEpoch(), &now)) return;  // the last answer stands
    {
      const std::lock_guard lock(m_mutex);
      if (now == m_assignments) return;
      m_assignments = now;
    }
    QMetaObject::invokeMethod(
        m_home, [listeners = m_listeners] { listeners->Tell(); }, Qt::QueuedConnection);
  }

 private:
  HistoryStatus::State State() const { return Status().state; }

  // The store's learner as it is now; the listeners are told after any
  // answer already posted.
  void KnowLearner() {
    {
      const std::lock_guard lock(m_mutex);
      m_learner = m_store->LearnerName();
      m_year = m_store->LearnerYear();
      m_place = m_store->ClassOfLearner();
    }
    QMetaObject::invokeMethod(
        m_home, [listeners = m_listeners] { listeners->Tell(); }, Qt::QueuedConnection);
  }

  // Changes the status and tells the window.
  template <typename F>
  void Publish(F&& change) {
    HistoryStatus copy;
    {
      const std::lock_guard lock(m_mutex);
      change(m_status);
      QStringList notes;
      for (const QString& n : {m_journal.note(), m_storeNote})
        if (!n.isEmpty()) notes << n;
      m_status.note = notes.join(QLatin1Char('\n'));
      m_status.journal = m_journal.path();
      m_status.waitingRows = m_lostRows;
      for (const HistoryBatch& b : m_pending) m_status.waitingRows += Rows(b);
      m_status.kept = m_lostRows == 0 && m_journaled == m_pending.size();
      copy = m_status;
    }
    if (m_onStatus) Answer(m_context, [cb = m_onStatus, copy] { cb(copy); });
  }

  void TryOpen() {
    HistoryOpenResult r = m_open(m_busyWait);
    m_storeNote = r.note;
    m_triedOpen = true;
    // The journal's room is taken only now, so that on a nearly full disk
    // the history file is made first.
    m_journal.Reserve();
    if (!r.store) {
      KeepInJournal();
      Publish([&](HistoryStatus& s) {
        s.state = r.passing ? HistoryStatus::State::Waiting : HistoryStatus::State::Off;
        s.file = r.file;
        s.reason = r.reason;
        s.written = 0;
      });
      if (r.passing) ScheduleRetry();
      return;
    }
    m_store = std::move(r.store);
    m_store->SetBusyWait(m_busyWait);
    {
      const std::lock_guard lock(m_mutex);
      m_learner = m_store->LearnerName();
      m_year = m_store->LearnerYear();
      m_place = m_store->ClassOfLearner();
      m_status.file = r.file;
    }
    Flush();
    RefreshWeak();
    RefreshAssignments();
    if (m_onOpened) Answer(m_context, m_onOpened);
  }

  void Retry() {
    if (m_stopping.load()) return;
    if (!m_store) {
      TryOpen();
    } else {
      Flush();
    }
  }

  void ScheduleRetry() {
    if (m_stopping.load()) return;
    m_retry->start(m_delay);
    m_delay = std::min(m_delay * 2, m_timing.retryMaxMs);
  }

  // Writes every waiting batch in one transaction.
  void Flush() {
    if (m_pending.isEmpty()) {
      if (State() != HistoryStatus::State::Open) {
        Publish([](HistoryStatus& s) {
          s.state = HistoryStatus::State::Open;
          s.reason.clear();
        });
      }
      return;
    }
    int rows = 0;
    bool withMisses = false;
    bool withRuns = false;
    for (const HistoryBatch& b : m_pending) {
      rows += Rows(b);
      withMisses = withMisses || !b.misses.isEmpty();
      withRuns = withRuns || !b.runs.isEmpty();
    }
    QString error;
    if (m_store->WriteAll(m_pending, &error)) {
      const bool hadWaited = m_journaled > 0 || State() != HistoryStatus::State::Open;
      m_pending.clear();
      if (m_journaled > 0) m_journal.Clear();
      m_journaled = 0;
      m_delay = m_timing.retryFirstMs;
      Publish([&](HistoryStatus& s) {
        s.state = HistoryStatus::State::Open;
        s.reason.clear();
        s.written = hadWaited ? rows : 0;
      });
      if (withMisses) RefreshWeak();
      if (withRuns) RefreshAssignments();
      if (withRuns)
        QMetaObject::invokeMethod(
            m_home, [l = m_listeners] { l->TellRunsWritten(); }, Qt::QueuedConnection);
      return;
    }
    KeepInJournal();
    Publish([&](HistoryStatus& s) {
      s.state = HistoryStatus::State::Waiting;
      s.reason = error;
      s.written = 0;
    });
    ScheduleRetry();
  }

  // Opens the journal (its folder may have been missing or refused before).
  // What an earlier session could not write comes first.
  bool OpenJournal() {
    if (m_journal.isOpen()) return true;
    if (!m_journal.Open()) return false;
    if (m_triedOpen) m_journal.Reserve();
    QList<HistoryBatch> kept = m_journal.ReadAll();
    m_journaled = static_cast<int>(kept.size());
    kept.append(std::move(m_pending));
    m_pending = std::move(kept);
    return true;
  }

  // The batches not in the journal yet go there, in order.
  // Each is given an id there, by which the store writes it once.
  void KeepInJournal() {
    if (!OpenJournal()) return;
    while (m_journaled < m_pending.size()) {
      HistoryBatch& b = m_pending[m_journaled];
      if (b.id.isEmpty()) b.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
      if (!m_journal.Append(b)) break;
      ++m_journaled;
    }
  }

  void RefreshWeak() {
    if (!m_store) return;
    QString error;
    const QStringList units = m_store->WeakestUnits(kWeakKept, &error);
    if (!error.isEmpty()) return;  // the last answer stands
    const std::lock_guard lock(m_mutex);
    m_weak = units;
  }

  Opener m_open;
  BusyWait m_busyWait;

  HistoryJournal m_journal;
  QString m_storeNote;
  bool m_triedOpen = false;  // the journal's room waits for the history file's first opening
  Timing m_timing;
  bool m_begun = false;
  std::unique_ptr<HistoryStore> m_store;
  QList<HistoryBatch> m_pending;  // not in the database, oldest first
  int m_journaled = 0;            // of those, the first ones already in the journal
  int m_lostRows = 0;             // records dropped with no room anywhere
  QTimer* m_retry = nullptr;
  int m_delay = 0;
};

class HistoryService::Front final : public HistoryStore {
 public:
  explicit Front(HistoryService& service) : m_service(service) {}
  QString LearnerName() const override {
    const std::lock_guard lock(m_service.m_runner->m_mutex);
    return m_service.m_runner->m_learner;
  }
  bool SetLearnerName(const QString& name, QString*) override {
    m_service.Rename(name, nullptr, {});
    return true;
  }
  QString LearnerYear() const override { return m_service.LearnerYear(); }
  bool SetLearnerYear(const QString& year, QString*) override {
    m_service.SetLearnerYear(year, nullptr, {});
    return true;
  }
  LearnerClass ClassOfLearner() const override { return m_service.ClassOfLearner(); }
  bool SetClassOfLearner(const LearnerClass& place, QString*) override {
    m_service.SetClassOfLearner(place, nullptr, {});
    return true;
  }
  bool Write(const HistoryBatch& batch, QString*) override {
    m_service.Submit(batch);
    return true;
  }
  // Each batch joins the worker's queue, which merges them as it writes.
  bool WriteAll(const QList<HistoryBatch>& batches, QString*) override {
    for (const HistoryBatch& b : batches) m_service.Submit(b);
    return true;
  }
  LearnerHistory Read(int, QString* error) override {
    if (error) *error = QStringLiteral("学習履歴は読み込み中です。");
    return {};
  }
  // Asking is a use: the drill's weak items wait for the store's answer.
  QStringList WeakestUnits(int count, QString*) override {
    m_service.Open();
    return m_service.WeakUnits(count);
  }

 private:
  HistoryService& m_service;
};

HistoryService::HistoryService(Opener open, QString journalPath, Timing timing)
    : m_listeners(std::make_shared<Listeners>()),
      m_home(new QObject),
      m_thread(new QThread),
      m_runner(new Runner(std::move(open), std::move(journalPath), timing)),
      m_front(std::make_unique<Front>(*this)) {
  m_runner->m_home = m_home;
  m_runner->m_listeners = m_listeners;
  m_thread->setObjectName(QStringLiteral("history"));
  m_runner->moveToThread(m_thread);
}

HistoryService::~HistoryService() {
  if (!m_stopped) Stop(1500);
  // A thread that did not end in time is left to end with the process, and
  // the object it answers to is left with it.
  if (m_thread->isRunning()) return;
  delete m_runner;
  delete m_thread;
  delete m_home;
}

HistoryStore& HistoryService::front() { return *m_front; }

void HistoryService::SetListeners(QObject* context, std::function<void(const HistoryStatus&)> status,
                                  std::function<void()> opened) {
  m_runner->m_context = context;
  m_runner->m_onStatus = std::move(status);
  m_runner->m_onOpened = std::move(opened);
}

void HistoryService::OpenWhenFirstUsed(std::function<bool()> looksUsable) {
  m_runner->m_looksUsable = std::move(looksUsable);
}

void HistoryService::Open() {
  if (m_stopped || m_runner->m_wanted.exchange(true) || !m_thread->isRunning()) return;
  QMetaObject::invokeMethod(m_runner, [r = m_runner] { r->OpenIfWaiting(); });
}

void HistoryService::Start() {
  if (m_thread->isRunning() || m_stopped) return;
  m_thread->start();
  QMetaObject::invokeMethod(m_runner, [r = m_runner] { r->Begin(); });
}

void HistoryService::Submit(HistoryBatch batch) {
  if (m_stopped || batch.empty()) return;
  QMetaObject::invokeMethod(m_runner,
                            [r = m_runner, b = std::move(batch)]() mutable { r->Submit(std::move(b)); });
}

QStringList HistoryService::WeakUnits(int count) const {
  const std::lock_guard lock(m_runner->m_mutex);
  return m_runner->m_weak.mid(0, std::max(0, count));
}

HistoryStatus HistoryService::status() const { return m_runner->Status(); }

void HistoryService::Read(int weakest, QObject* context, ReadDone done) {
  QMetaObject::invokeMethod(m_runner, [r = m_runner, weakest, context = QPointer<QObject>(context),
                                       done = std::move(done)] { r->Read(weakest, context, done); });
}

void HistoryService::Rename(const QString& name, QObject* context, RenameDone done) {
  QMetaObject::invokeMethod(m_runner, [r = m_runner, name, context = QPointer<QObject>(context),
                                       done = std::move(done)] { r->Rename(name, context, done); });
}

QString HistoryService::LearnerYear() const {
  const std::lock_guard lock(m_runner->m_mutex);
  return m_runner->m_year;
}

void HistoryService::SetLearnerYear(const QString& year, QObject* context, RenameDone done) {
  QMetaObject::invokeMethod(m_runner, [r = m_runner, year, context = QPointer<QObject>(context),
                                       done = std::move(done)] { r->SetYear(year, context, done); });
}

QList<AssignmentProgress> HistoryService::Assignments() const {
  const std::lock_guard lock(m_runner->m_mutex);
  return m_runner->m_assignments;
}

void HistoryService::ReloadAssignments() {
  QMetaObject::invokeMethod(m_runner, [r = m_runner] { r->RefreshAssignments(); });
}

LearnerClass HistoryService::ClassOfLearner() const {
  const std::lock_guard lock(m_runner->m_mutex);
  return m_runner->m_place;
}

void HistoryService::SetClassOfLearner(const LearnerClass& place, QObject* context, RenameDone done) {
  QMetaObject::invokeMethod(m_runner, [r = m_runner, place, context = QPointer<QObject>(context),
                                       done = std::move(done)] { r->SetPlace(place, context, done); });
}

void HistoryService::OnLearnerChanged(QObject* context, std::function<void()> changed) {
  m_listeners->learnerChanged.append({QPointer<QObject>(context), std::move(changed)});
}

void HistoryService::OnRunsWritten(QObject* context, std::function<void()> written) {
  m_listeners->runsWritten.append({QPointer<QObject>(context), std::move(written)});
}

HistoryService::Closing HistoryService::Stop(int waitMs) {
  if (m_stopped || !m_thread->isRunning()) {
    m_stopped = true;
    const std::lock_guard lock(m_runner->m_mutex);
    return m_runner->m_closing;
  }
  m_stopped = true;
  // The last write may wait for a lock for part of the time; the journal
  // and the closing take the rest.
  m_runner->m_deadline = QDeadlineTimer(std::max(0, waitMs * 2 / 3));
  m_runner->m_stopping.store(true);
  QMetaObject::invokeMethod(m_runner, [r = m_runner] {
    r->Close();
    QThread::currentThread()->quit();
  });
  if (!m_thread->wait(QDeadlineTimer(waitMs))) {
    // Still busy (a long read, say): what waited cannot be vouched for.
    const std::lock_guard lock(m_runner->m_mutex);
    m_runner->m_closing = Closing{m_runner->m_status.waitingRows, false, false};
  }
  const std::lock_guard lock(m_runner->m_mutex);
  return m_runner->m_closing;
}

}  // namespace shurencho
