#pragma once
// The sync queue on a thread of its own, so the pages never wait for the
// network: one round when started, then one every interval. The local file
// and the server are opened on that thread (a database connection belongs
// to the thread that made it); a round that fails drops the server
// connection and makes a new one next time.

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

  SyncWorker(SourceMaker source, SenderMaker sender, int intervalMs = kDefaultIntervalMs,
             RoundDone done = {});
  // Waits for a round under way, then closes both connections.
  ~SyncWorker();
  SyncWorker(const SyncWorker&) = delete;
  SyncWorker& operator=(const SyncWorker&) = delete;

  void Start();
  // Asks for a round now (the learner's session just ended, say).
  void SyncSoon();

 private:
  class Runner;
  QThread m_thread;
  Runner* m_runner = nullptr;  // lives on m_thread
};

}  // namespace shurencho
