#pragma once
// The learning history's shapes: what the pages record when an item, a run
// or a mouse stage ends, and what the 成績 window and the reports read back.
// A store keeps them (an embedded SQLite file by default); nothing here
// knows which.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "history/learner_name.h"
#include "measure/course.h"

namespace shurencho {

// Times are milliseconds since the epoch, UTC (UtcMsFromClock).
using HistoryTime = qint64;

// Records number courses as course.h does; these two are its 実践 and 実力テスト.
constexpr int kFreeTypingCourse = CourseId(Course::Practice);
constexpr int kSkillTestCourse = CourseId(Course::SkillTest);

// What a run's mark says of it. A graded run is one the page measured and
// marked; only those count towards bests, means, ladders and the class
// table. A run left before its end is 途中; one the page did not grade
// (shorter than the warm-up, 計測不能, こら～) is 計測なし. Runs written before
// the history knew the difference carry no mark and read as 計測なし.
enum class RunKind { Graded, Unfinished, Ungraded };
inline const QString& UnfinishedMark() {
  static const QString mark = QStringLiteral("途中");
  return mark;
}
inline const QString& UngradedMark() {
  static const QString mark = QStringLiteral("計測なし");
  return mark;
}
inline RunKind RunKindOf(const QString& grade) {
  if (grade == UnfinishedMark()) return RunKind::Unfinished;
  if (grade.trimmed().isEmpty() || grade == UngradedMark()) return RunKind::Ungraded;
  return RunKind::Graded;
}

// One finished drill item.
struct DrillItemRecord {
  HistoryTime at = 0;
  int course = 0;
  QString item;        // the question as shown
  int characters = 0;  // characters of its reading
  int keystrokes = 0;  // keys judged while it was on screen
  int refused = 0;     // of those, keys refused
  double seconds = 0;
};

// One measured typing run: a drill run at its last item, or a free-typing
// run when it is judged.
struct TypingRunRecord {
  HistoryTime at = 0;
  int course = 0;    // 1-5, 13-15, kFreeTypingCourse or kSkillTestCourse
  QString textName;  // the practice text's name (free typing only)
  int characters = 0;
  int keystrokes = 0;
  int refused = 0;
  double seconds = 0;
  int charsPerMinute = 0;  // 字／分 as the page showed it
  int keysPerMinute = 0;   // 打鍵／分
  double accuracy = 1;     // 0 to 1
  QString grade;           // the page's mark, 途中 or 計測なし (see RunKindOf)
  // Seconds east of UTC where the run was taken, when a records file says
  // so; a run from the store is dated in this machine's zone.
  std::optional<int> utcOffset = std::nullopt;
  bool graded() const { return RunKindOf(grade) == RunKind::Graded; }
};

// One key the drill refused: the kana unit being typed, the romaji already
// typed of it, the key pressed and the key that would have been accepted
// next (empty when more than one would).
struct KeyMissRecord {
  HistoryTime at = 0;
  int course = 0;
  QString unit;      // e.g. "しゃ"
  QString typed;     // e.g. "s"
  QString key;       // e.g. "a"
  QString expected;  // e.g. "h"
};

enum class MouseGame { Maze = 1, Click = 2, Drag = 3, Puzzle = 4 };

// One mouse stage finished (a maze left, a click or drag stage cleared, a
// puzzle solved).
struct MouseRecord {
  HistoryTime at = 0;
  MouseGame game = MouseGame::Maze;
  int stage = 0;   // the stage reached (puzzle: 0)
  int misses = 0;  // wall touches, clicks beside a target, drops outside
  int moves = 0;   // puzzle moves; 0 elsewhere
  double seconds = 0;
};

// What a page hands over at the end of an item, a run or a stage, written
// in one transaction.
struct HistoryBatch {
  QList<DrillItemRecord> items;
  QList<TypingRunRecord> runs;
  QList<KeyMissRecord> misses;
  QList<MouseRecord> mouse;
  // Given when the batch first waits in the journal: a store that keeps
  // these writes a batch once however often it is handed over. Empty for a
  // batch that went straight to the store.
  QString id;

  bool empty() const { return items.isEmpty() && runs.isEmpty() && misses.isEmpty() && mouse.isEmpty(); }
};

// The records of several batches as one, in order (no id).
inline HistoryBatch MergedBatches(const QList<HistoryBatch>& batches) {
  HistoryBatch all;
  for (const HistoryBatch& b : batches) {
    all.items += b.items;
    all.runs += b.runs;
    all.misses += b.misses;
    all.mouse += b.mouse;
  }
  return all;
}

// A kana unit the learner misses, with the wrong keys pressed most often
// for it, most frequent first.
struct UnitWeakness {
  QString unit;
  int misses = 0;
  QList<QPair<QString, int>> wrongKeys;
};

// What the teacher set a class to do, as the class server keeps it and the
// learner's file keeps its last copy.
struct Assignment {
  int id = 0;
  QString kind;             // "drill" or "test"
  int course = 0;           // the drill course, 1-5
  int passes = 0;           // passes of it to end
  QString passage;          // the test's passage by its year ("小3")
  HistoryTime untilMs = 0;  // due by then; 0: no end set
  HistoryTime setMs = 0;    // runs count from here
  bool isTest() const { return kind == QLatin1String("test"); }
  // The passes that end it: a test is taken once.
  int needed() const { return isTest() ? 1 : std::max(1, passes); }
  bool operator==(const Assignment&) const = default;
};

struct AssignmentProgress {
  Assignment assignment;
  int done = 0;            // passes ended (a test: 1 once taken)
  HistoryTime doneAt = 0;  // when the last one needed ended; 0 while not done
  bool finished() const { return doneAt != 0; }
  bool operator==(const AssignmentProgress&) const = default;
};

// Everything the 成績 window and the reports show of one learner.
struct LearnerHistory {
  QString learner;
  QList<TypingRunRecord> runs;  // oldest first
  QList<MouseRecord> mouse;     // oldest first
  QList<UnitWeakness> weakest;  // most missed first; at most the number asked for
  // Misses by the key that would have been accepted, and by the key pressed.
  QList<QPair<QString, int>> missesByExpectedKey;
  QList<QPair<QString, int>> missesByPressedKey;
  qint64 keystrokes = 0;  // all judged drill keys, for rates
  // The computer the records were made on: two learners of one name are two
  // learners when their machines differ. Empty when not known.
  QString machine;
  // The name in the file is longer than a name may be now: `learner` is its
  // beginning, and the file keeps it whole.
  bool learnerCut = false;
  // The learner's school year by its name ("小3", "大人"); empty when none
  // was chosen. Kept as text so that this layer needs no reading tables.
  QString schoolYear = QString();
  // The learner's class ("5-2") and number in it; empty and 0 when not set.
  LearnerClass place = LearnerClass();
  // The class's assignments the file holds, not past their end, with the
  // learner's progress; oldest set first.
  QList<AssignmentProgress> assignments = QList<AssignmentProgress>();
};

// Asked with the milliseconds a call has waited so far for another program
// that holds the file: false gives up (the call fails as busy).
using BusyWait = std::function<bool(qint64 waitedMs)>;

// Where the history lives. Every call may fail (a locked, damaged or
// read-only file, a lost server); a failure returns false or an empty
// result and sets *error when given, and never throws.
class HistoryStore {
 public:
  virtual ~HistoryStore() = default;

  // The learner these records belong to (default: the login name).
  virtual QString LearnerName() const = 0;
  virtual bool SetLearnerName(const QString& name, QString* error = nullptr) = 0;
  // The current learner's school year by its name ("小3"); empty when none
  // was chosen. A store that keeps none answers empty and refuses a change.
  virtual QString LearnerYear() const { return {}; }
  virtual bool SetLearnerYear(const QString& year, QString* error = nullptr) {
    (void)year;
    if (error) *error = QStringLiteral("この記録には学年を書けません。");
    return false;
  }
  // The current learner's class code ("5-2"; empty: none) and number in it
  // (0: none), as the class server's roster knows the learner.
  virtual LearnerClass ClassOfLearner() const { return {}; }
  virtual bool SetClassOfLearner(const LearnerClass& place, QString* error = nullptr) {
    (void)place;
    if (error) *error = QStringLiteral("この記録には組と番号を書けません。");
    return false;
  }
  // The class's assignments last read from the class server, not past their
  // end at nowMs, each with the current learner's progress. A store that
  // keeps none answers none.
  virtual bool Assignments(HistoryTime nowMs, QList<AssignmentProgress>* out, QString* error = nullptr);

  // Appends a batch for the current learner, all or nothing.
  virtual bool Write(const HistoryBatch& batch, QString* error = nullptr) = 0;
  // Appends batches in one transaction, all or nothing. A store that keeps
  // batch ids skips a batch whose id it has written before.
  virtual bool WriteAll(const QList<HistoryBatch>& batches, QString* error = nullptr) {
    return Write(MergedBatches(batches), error);
  }

  // The current learner's history, with the `weakest` most missed units.
  virtual LearnerHistory Read(int weakest = 10, QString* error = nullptr) = 0;

  // How long a call may wait for another program that holds the file (see
  // BusyWait). Without one, a store waits a few seconds of its own.
  virtual void SetBusyWait(BusyWait keepWaiting) { (void)keepWaiting; }

  // Only the `count` most missed units, most missed first: what the drill
  // asks when it deals the weak items. A store may answer it more cheaply.
  virtual QStringList WeakestUnits(int count, QString* error = nullptr) {
    QStringList units;
    for (const UnitWeakness& w : Read(count, error).weakest) units.append(w.unit);
    return units;
  }
};

// A store as opened for the trainer: the store, or why not and whether the
// fault may pass by itself (another program holds the file, the disk is
// full) so that opening is worth trying again later.
struct HistoryOpenResult {
  std::unique_ptr<HistoryStore> store;
  QString file;    // the file in use, or the one that could not be used
  QString reason;  // why there is no store, in Japanese
  QString note;    // said once though the store works (another program's file left alone)
  bool passing = false;
};

}  // namespace shurencho
