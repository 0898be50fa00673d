#pragma once
// What the pages tell the learning history. The pages call it at every judged
// key (counting only, in memory) and at the end of an item, a run or a mouse
// stage, when it hands the finished records to the store as one batch. In
// the trainer that store is the history's worker, which takes the batch and
// returns at once. Until a store is attached the batches wait here; when the
// history is off they are dropped. A page without a recorder records nothing.

#include <QList>
#include <QString>
#include <QStringList>

#include "history/history_records.h"
#include "measure/measured_run.h"
#include "platform/platform.h"

namespace shurencho {

class HistoryRecorder final {
 public:
  // Batches kept while the store is not open or refuses them; beyond this
  // the oldest go, so a store that never answers cannot fill the memory.
  static constexpr int kMaxWaiting = 4096;

  explicit HistoryRecorder(Platform& platform);
  HistoryRecorder(const HistoryRecorder&) = delete;
  HistoryRecorder& operator=(const HistoryRecorder&) = delete;

  // The store is open: what waited is written now, the rest as it comes.
  void Attach(HistoryStore* store);
  // The history is off for this session: nothing waits or is written.
  void TurnOff();
  bool on() const { return m_on; }
  HistoryStore* store() const { return m_store; }
  // Batches not yet written.
  int waiting() const { return static_cast<int>(m_waiting.size()); }

  // ---- The drill ----
  // A key judged on the current item (refused keys come through DrillMiss).
  void DrillKey() {
    if (!m_on) return;
    StartItem();
    ++m_item.keystrokes;
  }
  // A key refused: the unit, the romaji typed of it before the key, the key,
  // and the key that would have been taken (empty when more than one would).
  void DrillMiss(int course, const QString& unit, const QString& typed, const QString& key,
                 const QString& expected);
  // The current item was answered: it is written with its refused keys.
  void DrillItemDone(int course, const QString& item, int characters);
  // The current item was left unanswered: its refused keys are written, its
  // keys do not count towards the run.
  void DrillItemDropped();
  // The pass under way, measured at the item just finished.
  void DrillRunMeasured(int course, const MeasuredRun& run);
  // A pass ended at the item just finished, with its mark or 計測なし, or
  // was left (途中): the pass as last measured is written with it.
  // Nothing is written when no item was measured since the last pass.
  void DrillPassDone(const QString& mark);
  // The page's run ends (RESET, another course, the window closing): a
  // pass still open is written as 途中 and the counts start again.
  void DrillRunDone();

  // ---- Free typing ----
  // An edit of the typing box leaving `typed` characters, `matched` of them
  // right: one that adds to a wrong tail counts as refused.
  void TypingEdit(int typed, int matched);
  // The run ended at the end of the text: judged with the page's mark, or
  // 計測なし when the page gave none (a run without a measured time records
  // no speed).
  void TypingRunDone(const QString& textName, const MeasuredRun& run, const QString& grade);
  // A new text, a reset or the window closing in the middle of a run: one
  // that was measured is written as 途中; the counts start again.
  void TypingRunLeft(const QString& textName, const MeasuredRun& run);
  void TypingRunDropped();

  // ---- The three-minute test ----
  // A test ended (by its clock, or left: then its grade is 途中): the record
  // as the test window showed it; the time and the course are set here.
  void SkillTestDone(TypingRunRecord record);

  // ---- The mouse pages ----
  void MouseStage(MouseGame game, int stage, int misses, int moves, double seconds);

  // When an item, a run or a stage last ended (the platform's clock); 0
  // when none has since the program started.
  ClockTime lastEnded() const { return m_lastEnded; }

  // The `count` units the learner misses most, most missed first; empty
  // while there is no store or no history.
  QStringList WeakUnits(int count) const;

 private:
  void StartItem() {
    if (!(m_itemStart > 0)) m_itemStart = m_platform.Now();
  }
  HistoryTime Stamp() { return m_stamp(m_platform.Now()); }
  void Hand(HistoryBatch batch);
  void Flush();

  struct Counts {
    int keystrokes = 0;
    int refused = 0;
  };

  Platform& m_platform;
  HistoryStore* m_store = nullptr;
  bool m_on = true;
  QList<HistoryBatch> m_waiting;
  UtcStamper m_stamp;

  Counts m_item;              // the drill item on screen
  ClockTime m_itemStart = 0;  // its first judged key; 0: none yet
  QList<KeyMissRecord> m_itemMisses;
  Counts m_run;                 // the drill run's finished items
  TypingRunRecord m_runRecord;  // the drill run as last measured; no characters: none since the last pass
  Counts m_typing;              // the free-typing run
  int m_typedBefore = 0;        // the typing box's length before the latest edit
  ClockTime m_lastEnded = 0;
};

}  // namespace shurencho
