#include "history/deferred_history_store.h"

namespace shurencho {

DeferredHistoryStore::DeferredHistoryStore(Opener open, std::function<void(const QString&)> failed)
    : m_open(std::move(open)), m_failed(std::move(failed)) {}

HistoryStore* DeferredHistoryStore::Opened() const {
  if (!m_tried) {
    m_tried = true;
    m_store = m_open(&m_reason);
    if (!m_store && m_failed) m_failed(m_reason);
  }
  return m_store.get();
}

HistoryStore* DeferredHistoryStore::OpenedOrError(QString* error) const {
  HistoryStore* store = Opened();
  if (!store && error) *error = m_reason;
  return store;
}

QString DeferredHistoryStore::LearnerName() const {
  const HistoryStore* store = Opened();
  return store ? store->LearnerName() : QString();
}

bool DeferredHistoryStore::SetLearnerName(const QString& name, QString* error) {
  HistoryStore* store = OpenedOrError(error);
  return store && store->SetLearnerName(name, error);
}

bool DeferredHistoryStore::Write(const HistoryBatch& batch, QString* error) {
  HistoryStore* store = OpenedOrError(error);
  return store && store->Write(batch, error);
}

LearnerHistory DeferredHistoryStore::Read(int weakest, QString* error) {
  HistoryStore* store = OpenedOrError(error);
  return store ? store->Read(weakest, error) : LearnerHistory{};
}

QStringList DeferredHistoryStore::WeakestUnits(int count, QString* error) {
  HistoryStore* store = OpenedOrError(error);
  return store ? store->WeakestUnits(count, error) : QStringList{};
}

}  // namespace shurencho
