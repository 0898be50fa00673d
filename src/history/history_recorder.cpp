#include "history/history_recorder.h"

#include <algorithm>
#include <utility>

namespace shurencho {

namespace {

// A measured run with the keys counted for it.
TypingRunRecord RunRecord(HistoryTime at, int course, const QString& textName, MeasuredRun run,
                          int keystrokes, int refused, const QString& grade) {
  run.keystrokes = keystrokes;
  run.misses = refused;
  return TypingRunRecord{at,
                         course,
                         textName,
                         static_cast<int>(run.characters),
                         keystrokes,
                         refused,
                         SecondsBetween(0, run.elapsed),
                         run.CharsPerMinute(),
                         run.KeysPerMinute(),
                         run.Accuracy(),
                         grade};
}

}  // namespace

HistoryRecorder::HistoryRecorder(Platform& platform) : m_platform(platform) {}

void HistoryRecorder::Attach(HistoryStore* store) {
  m_store = store;
  if (m_on) Flush();
}

void HistoryRecorder::TurnOff() {
  m_on = false;
  m_store = nullptr;
  m_waiting.clear();
  m_itemMisses.clear();
}

void HistoryRecorder::Hand(HistoryBatch batch) {
  if (!m_on || batch.empty()) return;
  // Every batch is something just ended: what the class sees as progress.
  m_lastEnded = m_platform.Now();
  m_waiting.append(std::move(batch));
  if (m_waiting.size() > kMaxWaiting) m_waiting.removeFirst();
  Flush();
}

void HistoryRecorder::Flush() {
  if (!m_store || m_waiting.isEmpty()) return;
  // Everything that waited goes to the store at once (in one transaction
  // where the store writes at once); when the store refuses it (busy past
  // its retries, disk full) it stays for the next hand-over.
  if (m_store->WriteAll(m_waiting)) m_waiting.clear();
}

void HistoryRecorder::DrillMiss(int course, const QString& unit, const QString& typed, const QString& key,
                                const QString& expected) {
  if (!m_on) return;
  StartItem();
  ++m_item.keystrokes;
  ++m_item.refused;
  m_itemMisses.append(KeyMissRecord{Stamp(), course, unit, typed, key, expected});
}

void HistoryRecorder::DrillItemDone(int course, const QString& item, int characters) {
  if (!m_on) return;
  const ClockTime now = m_platform.Now();
  HistoryBatch batch;
  const double seconds = m_itemStart > 0 ? SecondsBetween(m_itemStart, now) : 0;
  batch.items.append(
      DrillItemRecord{m_stamp(now), course, item, characters, m_item.keystrokes, m_item.refused, seconds});
  batch.misses = std::exchange(m_itemMisses, {});
  m_run.keystrokes += m_item.keystrokes;
  m_run.refused += m_item.refused;
  m_item = {};
  m_itemStart = 0;
  Hand(std::move(batch));
}

void HistoryRecorder::DrillItemDropped() {
  if (!m_on) return;
  HistoryBatch batch;
  batch.misses = std::exchange(m_itemMisses, {});
  m_item = {};
  m_itemStart = 0;
  Hand(std::move(batch));
}

void HistoryRecorder::DrillRunMeasured(int course, const MeasuredRun& run) {
  if (m_on)
    m_runRecord = RunRecord(Stamp(), course, QString(), run, m_run.keystrokes, m_run.refused, QString());
}

void HistoryRecorder::DrillPassDone(const QString& mark) {
  TypingRunRecord record = std::exchange(m_runRecord, {});
  // The next pass counts its keys from here.
  m_run = {};
  if (!m_on || record.characters <= 0) return;
  record.grade = mark;
  HistoryBatch batch;
  batch.runs.append(std::move(record));
  Hand(std::move(batch));
}

void HistoryRecorder::DrillRunDone() { DrillPassDone(UnfinishedMark()); }

void HistoryRecorder::TypingEdit(int typed, int matched) {
  if (!m_on) return;
  ++m_typing.keystrokes;
  if (typed > matched && typed > m_typedBefore) ++m_typing.refused;
  m_typedBefore = typed;
}

void HistoryRecorder::TypingRunDone(const QString& textName, const MeasuredRun& run, const QString& grade) {
  const Counts counts = std::exchange(m_typing, {});
  m_typedBefore = 0;
  if (!m_on) return;
  TypingRunRecord record =
      RunRecord(Stamp(), kFreeTypingCourse, textName, run, counts.keystrokes, counts.refused,
                RunKindOf(grade) == RunKind::Graded ? grade : UngradedMark());
  if (!(run.elapsed > 0)) record.charsPerMinute = record.keysPerMinute = 0;  // the page showed no speed
  HistoryBatch batch;
  batch.runs.append(std::move(record));
  Hand(std::move(batch));
}

void HistoryRecorder::TypingRunLeft(const QString& textName, const MeasuredRun& run) {
  const Counts counts = std::exchange(m_typing, {});
  m_typedBefore = 0;
  if (!m_on || run.characters <= 0 || !(run.elapsed > 0)) return;
  HistoryBatch batch;
  batch.runs.append(RunRecord(Stamp(), kFreeTypingCourse, textName, run, counts.keystrokes, counts.refused,
                              UnfinishedMark()));
  Hand(std::move(batch));
}

void HistoryRecorder::TypingRunDropped() {
  m_typing = {};
  m_typedBefore = 0;
}

void HistoryRecorder::SkillTestDone(TypingRunRecord record) {
  if (!m_on) return;
  record.at = Stamp();
  record.course = kSkillTestCourse;
  HistoryBatch batch;
  batch.runs.append(std::move(record));
  Hand(std::move(batch));
}

void HistoryRecorder::MouseStage(MouseGame game, int stage, int misses, int moves, double seconds) {
  if (!m_on) return;
  HistoryBatch batch;
  batch.mouse.append(MouseRecord{Stamp(), game, stage, misses, moves, seconds});
  Hand(std::move(batch));
}

QStringList HistoryRecorder::WeakUnits(int count) const {
  if (!m_on || !m_store) return {};
  return m_store->WeakestUnits(count);
}

}  // namespace shurencho
