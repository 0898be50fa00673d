#pragma once
// What the teacher set a class to do, as the class server keeps it and the
// learner's file keeps its last copy, and how far the learner is with it,
// counted from the learner's own runs.

#include <QList>
#include <QString>

#include "history/history_records.h"

namespace shurencho {

struct Assignment {
  int id = 0;
  QString kind;             // "drill" or "test"
  int course = 0;           // the drill course, 1-5
  int passes = 0;           // passes of it to end
  QString passage;          // the test's passage by its year ("小3")
  HistoryTime untilMs = 0;  // due by then; 0: no end set
  HistoryTime setMs = 0;    // runs count from here
  bool isTest() const { return kind == QLatin1String("test"); }
  bool operator==(const Assignment&) const = default;
};

struct AssignmentProgress {
  Assignment assignment;
  int done = 0;            // passes ended (a test: 1 once taken)
  HistoryTime doneAt = 0;  // when the last one needed ended; 0 while not done
  bool finished() const { return doneAt != 0; }
};

// Counts the runs at or after the assignment was set: graded passes of its
// course, or a test of its passage taken to the end. runs in any order.
AssignmentProgress ProgressOf(const Assignment& assignment, const QList<TypingRunRecord>& runs);

// The guide's line: 「きょうの課題：コース2 を 3回（1回おわり）」, or
// 「きょうの課題はおわりました」 once every one is done; empty with none.
QString AssignmentLine(const QList<AssignmentProgress>& progress);

}  // namespace shurencho
