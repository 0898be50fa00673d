#pragma once
// A history store in memory for tests and benchmarks: it keeps the runs and
// mouse records and counts the refused keys as they are written, the way a
// real store's queries would, so reading a large history stays cheap.

#include <QHash>
#include <QString>

#include "history/history_records.h"

namespace shurencho {

class MemoryHistoryStore final : public HistoryStore {
 public:
  explicit MemoryHistoryStore(QString learner = QStringLiteral("生徒")) : m_learner(std::move(learner)) {}

  QString LearnerName() const override { return m_learner; }
  bool SetLearnerName(const QString& name, QString* error = nullptr) override;
  QString LearnerYear() const override { return m_year; }
  bool SetLearnerYear(const QString& year, QString* error = nullptr) override;
  LearnerClass ClassOfLearner() const override { return m_place; }
  bool SetClassOfLearner(const LearnerClass& place, QString* error = nullptr) override {
    if (m_failing) return Fail(error);
    m_place = place;
    return true;
  }
  bool Write(const HistoryBatch& batch, QString* error = nullptr) override;
  LearnerHistory Read(int weakest = 10, QString* error = nullptr) override;

  // Makes every later call fail, as a damaged or locked store would.
  void SetFailing(bool failing) { m_failing = failing; }

 private:
  bool Fail(QString* error) const;

  QString m_learner;
  QString m_year;
  LearnerClass m_place;
  bool m_failing = false;
  QList<TypingRunRecord> m_runs;
  QList<MouseRecord> m_mouse;
  qint64 m_keystrokes = 0;
  QHash<QString, QHash<QString, int>> m_byUnit;  // unit -> wrong key -> count
  QHash<QString, int> m_byExpected;
  QHash<QString, int> m_byPressed;
};

}  // namespace shurencho
