#include "support/memory_history_store.h"

#include <algorithm>

namespace shurencho {

namespace {

QList<QPair<QString, int>> MostFirst(const QHash<QString, int>& counts) {
  QList<QPair<QString, int>> list;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it) list.append({it.key(), *it});
  std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
    return a.second != b.second ? a.second > b.second : a.first < b.first;
  });
  return list;
}

}  // namespace

bool MemoryHistoryStore::Fail(QString* error) const {
  if (error != nullptr) *error = QStringLiteral("the store is not available");
  return false;
}

bool MemoryHistoryStore::SetLearnerName(const QString& name, QString* error) {
  if (m_failing) return Fail(error);
  m_learner = name;
  return true;
}

bool MemoryHistoryStore::SetLearnerYear(const QString& year, QString* error) {
  if (m_failing) return Fail(error);
  m_year = year;
  return true;
}

bool MemoryHistoryStore::Write(const HistoryBatch& batch, QString* error) {
  if (m_failing) return Fail(error);
  m_runs.append(batch.runs);
  m_mouse.append(batch.mouse);
  for (const DrillItemRecord& item : batch.items) m_keystrokes += item.keystrokes;
  for (const KeyMissRecord& miss : batch.misses) {
    ++m_byUnit[miss.unit][miss.key];
    if (!miss.expected.isEmpty()) ++m_byExpected[miss.expected];
    ++m_byPressed[miss.key];
  }
  return true;
}

LearnerHistory MemoryHistoryStore::Read(int weakest, QString* error) {
  if (m_failing) {
    Fail(error);
    return {};
  }
  LearnerHistory h;
  h.learner = m_learner;
  h.schoolYear = m_year;
  h.runs = m_runs;
  h.mouse = m_mouse;
  h.keystrokes = m_keystrokes;
  h.missesByExpectedKey = MostFirst(m_byExpected);
  h.missesByPressedKey = MostFirst(m_byPressed);
  for (auto it = m_byUnit.cbegin(); it != m_byUnit.cend(); ++it) {
    UnitWeakness w{it.key(), 0, MostFirst(*it)};
    for (const auto& [key, n] : w.wrongKeys) w.misses += n;
    h.weakest.append(w);
  }
  std::sort(h.weakest.begin(), h.weakest.end(), [](const UnitWeakness& a, const UnitWeakness& b) {
    return a.misses != b.misses ? a.misses > b.misses : a.unit < b.unit;
  });
  if (h.weakest.size() > weakest) h.weakest.resize(std::max(0, weakest));
  return h;
}

}  // namespace shurencho
