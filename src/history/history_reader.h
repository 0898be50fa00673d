#pragma once
// One learner's history read back, the same way from every store: the store
// runs the SELECTs given here on its own connection (inside one read
// transaction of its own) and hands the rows over; the records are built and
// the weakest kana ranked here alone.

#include <QString>

#include "history/history_records.h"

namespace shurencho {

// The current row of a result, by column.
class HistoryRow {
 public:
  virtual ~HistoryRow() = default;
  virtual qint64 Int64(int column) = 0;
  virtual int Int(int column) = 0;
  virtual double Double(int column) = 0;
  virtual QString Text(int column) = 0;
};

// SELECTs over one learner's rows.
class HistoryRows : public HistoryRow {
 public:
  // Runs sql, whose one parameter is the learner; false when it fails.
  virtual bool Select(const char* sql) = 0;
  // The next row; false at the end, and on a failure.
  virtual bool Next() = 0;
  // Whether the last Select read to its end without a failure.
  virtual bool Done() = 0;
};

namespace history_columns {

// Each record's columns in the order the *From functions read them.
inline constexpr char kItem[] = "at_ms, course, item, characters, keystrokes, refused, seconds";
inline constexpr char kRun[] =
    "at_ms, course, text_name, characters, keystrokes, refused, seconds, chars_per_minute, keys_per_minute, "
    "accuracy, grade";
inline constexpr char kMiss[] = "at_ms, course, unit, typed, pressed, expected";
inline constexpr char kMouse[] = "at_ms, game, stage, misses, moves, seconds";

}  // namespace history_columns

// A record from the row's columns first, first + 1, … (history_columns).
DrillItemRecord ItemFrom(HistoryRow& row, int first = 0);
TypingRunRecord RunFrom(HistoryRow& row, int first = 0);
KeyMissRecord MissFrom(HistoryRow& row, int first = 0);
MouseRecord MouseFrom(HistoryRow& row, int first = 0);

// Most missed first, then by unit, at most count of them.
void RankWeakest(QList<UnitWeakness>* units, int count);

// The `count` weakest units alone, each with its wrong keys.
bool ReadWeakestUnits(HistoryRows& rows, int count, QList<UnitWeakness>* out);

// Fills h's records, weakest kana (at most `weakest`, most missed first,
// then by unit; each one's wrong keys likewise), miss counts and keystrokes.
// The learner's name and machine are the store's to set. False when a
// SELECT fails; h is then partly filled.
bool ReadLearnerHistory(HistoryRows& rows, int weakest, LearnerHistory* h);

}  // namespace shurencho
