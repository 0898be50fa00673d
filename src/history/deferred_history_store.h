#pragma once
// A store opened at its first use. The trainer hands one to the pages at
// start-up, so the database library is loaded only when the first record is
// written, the 成績 window reads, or the weak-kana drill asks; a trainer
// started and left idle never loads it. The store is opened once: when that
// fails, every call fails with the reason, and `failed` is told once.

#include <functional>
#include <memory>

#include "history/history_records.h"

namespace shurencho {

class DeferredHistoryStore final : public HistoryStore {
 public:
  using Opener = std::function<std::unique_ptr<HistoryStore>(QString* error)>;

  DeferredHistoryStore(Opener open, std::function<void(const QString& reason)> failed);

  QString LearnerName() const override;
  bool SetLearnerName(const QString& name, QString* error = nullptr) override;
  bool Write(const HistoryBatch& batch, QString* error = nullptr) override;
  LearnerHistory Read(int weakest = 10, QString* error = nullptr) override;
  QStringList WeakestUnits(int count, QString* error = nullptr) override;

 private:
  // The store, opened now if it was not yet; null when it could not be.
  HistoryStore* Opened() const;
  HistoryStore* OpenedOrError(QString* error) const;

  Opener m_open;
  std::function<void(const QString&)> m_failed;
  mutable std::unique_ptr<HistoryStore> m_store;
  mutable bool m_tried = false;
  mutable QString m_reason;
};

}  // namespace shurencho
