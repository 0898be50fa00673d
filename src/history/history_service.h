#pragma once
// The learning history on a thread of its own, so the window never waits
// for the disk. Every open, check, migration, write and read runs there, one
// at a time, in the order asked: the store (a database connection belongs
// to the thread that made it) is opened, used and closed on that thread.
// Pages hand batches over and go on; a file another program holds, or a
// full disk, is tried again in the background, a little later each time,
// while the batches wait in the journal beside the file. The weak-kana
// drill reads the weakest units from an answer kept up to date here.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "history/assignment.h"
#include "history/history_records.h"

namespace shurencho {

// What the history is doing, as the learner is told it.
struct HistoryStatus {
  enum class State {
    Opening,  // not open yet
    Open,     // every batch so far is in the database
    Waiting,  // a fault that may pass: batches wait and are tried again
    Off,      // the file cannot be used this session: batches wait in the journal
  };
  State state = State::Opening;
  QString file;         // the database file
  QString journal;      // where batches wait
  QString reason;       // the fault, empty when there is none
  QString note;         // said once though the history works
  int waitingRows = 0;  // records not in the database
  bool kept = true;     // all of those are safe in the journal
  int written = 0;      // records written after they had waited (since the last fault)
};

class HistoryService final {
 public:
  // Called on the worker: opens the history (loading the database code
  // too), waiting for a lock as `wait` says.
  using Opener = std::function<HistoryOpenResult(const BusyWait& wait)>;
  struct Timing {
    int busyWaitMs = 1000;   // one call's wait for another program's lock
    int retryFirstMs = 500;  // the first retry after a passing fault
    int retryMaxMs = 8000;   // retries double up to this
  };
  // What a stop left behind.
  struct Closing {
    int unwrittenRows = 0;  // records not in the database
    bool kept = true;       // all of them are in the journal, to be written at the next start
    bool inTime = true;     // the worker ended within the time given
  };

  HistoryService(Opener open, QString journalPath, Timing timing);
  HistoryService(Opener open, QString journalPath)
      : HistoryService(std::move(open), std::move(journalPath), Timing{}) {}
  ~HistoryService();
  HistoryService(const HistoryService&) = delete;
  HistoryService& operator=(const HistoryService&) = delete;

  // Tells of every change of status, and once the store is open (and the
  // weakest units known) runs `opened`, on the thread that made the service
  // and only while `context` lives. Set before Start.
  void SetListeners(QObject* context, std::function<void(const HistoryStatus&)> status,
                    std::function<void()> opened);
  // With a check set, the history's database code is loaded only when the
  // history is first used (a record, a read, a rename, the weakest units,
  // Open): the check, which must not need that code, runs at Start on the
  // worker, and a fault it finds opens the history at once so that it is
  // told as before. Batches left in the journal open it at once too. Set
  // before Start.
  void OpenWhenFirstUsed(std::function<bool()> looksUsable);
  // Starts the thread, which reads the journal and opens the history (or
  // waits to, see above).
  void Start();
  // Opens the history now if it waits to be used; before Start, at Start.
  void Open();

  // For the recorder: Write hands the batch to the worker and returns at
  // once (true); WeakestUnits answers from the units kept; LearnerName and
  // LearnerYear are the last known. Read, SetLearnerName and SetLearnerYear
  // are asked through the service.
  HistoryStore& front();

  void Submit(HistoryBatch batch);
  // The units last found weakest, at most count.
  QStringList WeakUnits(int count) const;
  HistoryStatus status() const;

  using ReadDone =
      std::function<void(const LearnerHistory& history, const QString& error, const HistoryStatus&)>;
  // Reads on the worker; done runs on the service's thread, and not at all
  // when context is gone by then.
  void Read(int weakest, QObject* context, ReadDone done);
  using RenameDone = std::function<void(bool ok, const QString& error)>;
  void Rename(const QString& name, QObject* context, RenameDone done);
  // The current learner's school year by its name ("小3"; empty: none
  // chosen), as last known; set on the worker like the name.
  QString LearnerYear() const;
  void SetLearnerYear(const QString& year, QObject* context, RenameDone done);
  // The learner's class and number, as last known; set on the worker too.
  // The class's assignments the file keeps, with the learner's progress, as
  // last read; read again on the worker after a pass is written, or when
  // asked (a sync round brought new ones). Listeners of OnLearnerChanged
  // are told when they change.
  QList<AssignmentProgress> Assignments() const;
  void ReloadAssignments();
  LearnerClass ClassOfLearner() const;
  void SetClassOfLearner(const LearnerClass& place, QObject* context, RenameDone done);
  // Runs changed on the service's thread whenever the learner's name or
  // year has changed, while context lives: other windows follow the 成績
  // window's choice. Any number may listen.
  void OnLearnerChanged(QObject* context, std::function<void()> changed);
  // Runs written on the service's thread, while context lives, each time a
  // write that held a finished run (a pass) reached the file: the class
  // server's sync is asked for a round then, not at its next interval.
  void OnRunsWritten(QObject* context, std::function<void()> written);

  // Writes what it can in the time given, keeps the rest in the journal,
  // closes the store and ends the thread. Any wait for a lock is cut short;
  // never takes much more than waitMs.
  Closing Stop(int waitMs);

 private:
  class Runner;
  class Front;
  struct Listeners;
  std::shared_ptr<Listeners> m_listeners;  // shared with the answers posted by the worker
  QObject* m_home;    // answers run here, on the service's thread; kept with a thread left running
  QThread* m_thread;  // not deleted when it failed to end in time
  Runner* m_runner;   // lives on m_thread
  std::unique_ptr<Front> m_front;
  bool m_stopped = false;
};

}  // namespace shurencho
