#pragma once
// How far the learner is with what the teacher set the class (Assignment,
// in history_records.h), counted from the learner's own runs.

#include <QList>
#include <QString>

#include "history/history_records.h"

namespace shurencho {

// Counts the runs at or after the assignment was set: graded passes of its
// course, or a test of its passage taken to the end. runs in any order.
AssignmentProgress ProgressOf(const Assignment& assignment, const QList<TypingRunRecord>& runs);

// The guide's line: 「きょうの課題：コース2 を 3回（1回おわり）」, or
// 「きょうの課題はおわりました」 once every one is done; empty with none.
QString AssignmentLine(const QList<AssignmentProgress>& progress);

}  // namespace shurencho
