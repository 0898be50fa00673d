#pragma once
// The sync queue on a thread of its own, so the pages never wait for the
// network: one round when started, then one every interval. The local file
// and the server are opened on that thread (a database connection belongs
// to the thread that made it); a round that fails drops the server
// connection and makes a new one next time.

#include <QDeadlineTimer>
#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

#include "history/sync_queue.h"

namespace shurencho {

class SyncWorker final {
 public:
  using SourceMaker = std::function<std::unique_ptr<SyncSource>(QString* error)>;
  using SenderMaker = std::function<std::unique_ptr<SyncSender>(QString* error)>;
  // Called on the worker's thread after each round.
  using RoundDone = std::function<void(const SyncQueue::Result&)>;

  static constexpr int kDefaultIntervalMs = 3 * 60 * 1000;
  // How long the program's end waits for a round under way.
  static constexpr int kStopWaitMs = 1000;

  SyncWorker(SourceMaker source, SenderMaker sender, int intervalMs = kDefaultIntervalMs,
             RoundDone done = {});
  // Stop() with its default wait, unless stopped already.
  ~SyncWorker();
  SyncWorker(const SyncWorker&) = delete;
  SyncWorker& operator=(const SyncWorker&) = delete;

  void Start();
  // Asks for a round now (the learner's session just ended, say).
  void SyncSoon();
  // From the owner's thread, as often as it likes (it only keeps it): sent
  // after each round and every kPresenceMs while the program is open. The
  // age is counted on from the moment it is set.
  void SetPresence(const Presence& presence);
  static constexpr int kPresenceMs = 60 * 1000;
  // Begins the end without waiting, so that the program can close other
  // things meanwhile: a round under way stops after its batch and its
  // server call is interrupted. Stop() waits for it at most waitMs from now.
  void AskToStop(int waitMs = kStopWaitMs);
  // Ends the rounds (AskToStop() first, if not asked yet) and waits for the
  // thread to end. A round still running when the wait is over (say, a
  // connection being made to a server that took the login and went quiet)
  // is left to end on its own, closing both connections on its thread when
  // it does; nothing is lost, as rows not marked sent go again next time.
  // False in that case: the thread still runs, so the caller should end the
  // process without tearing down the toolkit or the drivers under it.
  bool Stop(int waitMs = kStopWaitMs);

 private:
  class Runner;
  std::unique_ptr<QThread> m_thread;
  Runner* m_runner = nullptr;  // lives on m_thread
  bool m_asked = false;
  QDeadlineTimer m_stopBy;
};

}  // namespace shurencho
