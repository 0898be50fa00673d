#pragma once
// A class table from the records files a teacher collected: one row per
// learner with the best and latest speed of every course (the かな入力
// courses among them), the 級 of the best test, the accuracy, the weakest
// kana and the mouse stages reached. A learner who handed in
// more than one file (say a file each week) is one row: runs found in two
// files count once, and the weak units come from the newest file. Learners
// are told apart by name and machine, so two children of one name are two rows.
// Only graded runs count: a run left (途中) or not graded (計測なし) is in no figure.

#include <QList>
#include <QString>
#include <array>

#include "history/history_records.h"
#include "report/records_summary.h"

namespace shurencho {

struct ClassRow {
  QString learner;
  QString machine;              // empty when not known
  QString schoolYear;           // "小3"; empty when none was chosen
  QList<CourseSpeeds> courses;  // ClassCourses order, the same in every row
  FigureMean accuracy;          // over every graded run that measured one
  int bestTest = -1;            // 字／分 of the best finished test; -1 without one
  int runs = 0;                 // graded runs
  HistoryTime latestAt = 0;     // the newest record of any kind
  QList<UnitWeakness> weakest;  // most missed first
  QList<MouseProgress> mouse;   // every game in menu order
};

// files: each file's learners, as ParseRecordsCsv returns them. Rows are
// ordered by learner name, then machine.
QList<ClassRow> MergeClassTable(const QList<QList<LearnerHistory>>& files);

// Takes the kana and test courses nobody in the class has a graded run of
// out of every row, so that nobody gets a column of blanks.
void DropUnusedCourses(QList<ClassRow>& rows);
// The courses of the table's columns, in order.
QList<int> ClassCourses(const QList<ClassRow>& rows);
// Whether the table has a 学年 column: only when some learner has a year.
bool ClassHasYears(const QList<ClassRow>& rows);

// The cells every class table shows alike (the page and the class window):
// the 正確さ ("－" without runs, "―" when none measured it) and the 級.
QString ClassAccuracyText(const ClassRow& row);
QString ClassGradeText(const ClassRow& row);

}  // namespace shurencho
