#include "history/sync_queue.h"

namespace shurencho {

SyncQueue::Result SyncQueue::Run(int batchRows, const std::atomic<bool>* stop) {
  Result result;
  for (;;) {
    if (stop && stop->load(std::memory_order_relaxed)) return result;
    SyncBatch batch;
    if (!m_source.Pending(batchRows, &batch, &result.error)) {
      result.ok = false;
      return result;
    }
    if (batch.empty()) return result;
    if (!m_sender.Send(batch, &result.error)) {
      result.ok = false;
      return result;
    }
    // Sent but not marked (the file busy, the program ending): the rows go
    // again next time and the server keeps them once.
    if (!m_source.MarkSent(batch, &result.error)) {
      result.ok = false;
      return result;
    }
    result.sent += batch.size();
    if (batch.size() < batchRows) return result;
  }
}

bool SyncQueue::FetchAssignments(HistoryTime nowMs, QList<Assignment>* read, QString* error) {
  read->clear();
  QString code;
  if (!m_source.CurrentClass(&code, error)) return false;
  if (!code.isEmpty() && !m_sender.ReadAssignments(code, nowMs, read, error)) return false;
  return m_source.KeepAssignments(*read, error);
}

}  // namespace shurencho
