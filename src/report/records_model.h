#pragma once
// What the 成績 window and the printable page draw, computed once from a
// learner's history: the speed charts per course, the mouse chart, the
// two ladders (the practice steps and the test's 級). Each draws at its own
// size; the days, values, figures and axes' ranges are the same.

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

#include "history/history_records.h"
#include "report/chart_ticks.h"
#include "report/records_summary.h"

namespace shurencho {

struct ZINIconf;

// One course's speed chart: the days, its grade bands and its axes.
struct CourseChart {
  CourseSpeeds speeds;
  GradeBands bands;
  QString label;
  ValueTicks speedAxis;           // room above the ◎ threshold and the school targets
  QDate first, last;              // the days drawn; invalid without any
  double topKeysPerMinute = 100;  // the rate chart's highest 打鍵／分, at least 100
};
CourseChart MakeCourseChart(const CourseSpeeds& speeds, GradeBands bands, const ZINIconf* settings);

// The stage reached per day of the staged mouse games (a puzzle has no stages).
struct MouseChart {
  struct Line {
    MouseGame game = MouseGame::Maze;
    QList<QPair<QDate, int>> stages;  // the local day, the day's highest stage
  };
  QList<Line> lines;
  QDate first, last;  // invalid without any stage
  ValueTicks stageAxis;
  bool Empty() const { return !first.isValid(); }
};
MouseChart MakeMouseChart(const QList<MouseProgress>& games);

// A ladder as it is drawn: its steps lowest first, those reached filled.
struct LadderDrawing {
  struct Step {
    int perMinute = 0;
    QString label;  // "50 字／分", "3級"
    bool reached = false;
  };
  QList<Step> steps;
};
LadderDrawing PracticeLadderDrawing(const LadderStanding& standing);
LadderDrawing SkillGradeDrawing(const std::optional<TypingRunRecord>& best);

// Everything the 成績 window and the printable page draw.
struct RecordsModel {
  QList<CourseChart> courses;  // in the order SummarizeSpeeds gives them
  QList<MouseProgress> mouse;
  MouseChart mouseChart;
  LadderStanding ladder;  // the practice runs'
  std::optional<TypingRunRecord> bestSkillTest;
  LadderDrawing practiceSteps, gradeSteps;
  QString practiceLine, gradeLine;  // each ladder's standing and its next step
};
RecordsModel ComputeRecords(const LearnerHistory& history, const ZINIconf& settings);

}  // namespace shurencho
