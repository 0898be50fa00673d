#include "report/records_model.h"

#include <algorithm>

#include "report/skill_grade.h"

namespace shurencho {

CourseChart MakeCourseChart(const CourseSpeeds& speeds, GradeBands bands, const ZINIconf* settings) {
  CourseChart chart;
  chart.speeds = speeds;
  chart.bands = bands;
  chart.label = CourseLabel(speeds.course, settings);
  chart.speedAxis = NiceValueTicks(std::max({bands.upper * 1.2, 70.0, double(speeds.best)}));
  if (!speeds.days.isEmpty()) {
    chart.first = speeds.days.first().day;
    chart.last = speeds.days.last().day;
  }
  for (const DaySpeed& d : speeds.days) {
    if (d.keysPerMinute) chart.topKeysPerMinute = std::max(chart.topKeysPerMinute, *d.keysPerMinute);
  }
  return chart;
}

MouseChart MakeMouseChart(const QList<MouseProgress>& games) {
  MouseChart chart;
  int top = 1;
  LocalDays days;
  for (const MouseProgress& g : games) {
    if (g.game == MouseGame::Puzzle) continue;  // a puzzle has no stages
    MouseChart::Line line{g.game, {}};
    for (const auto& [at, stage] : g.stageByDay) {
      const QDate day = days.DayOf(at);
      line.stages.append({day, stage});
      if (!chart.first.isValid() || day < chart.first) chart.first = day;
      if (!chart.last.isValid() || day > chart.last) chart.last = day;
      top = std::max(top, stage);
    }
    chart.lines.append(line);
  }
  chart.stageAxis = NiceValueTicks(top, true);
  return chart;
}

LadderDrawing PracticeLadderDrawing(const LadderStanding& standing) {
  LadderDrawing drawing;
  for (int step : kLadderSteps)
    drawing.steps.append({step, QStringLiteral("%1 字／分").arg(step), standing.perMinute >= step});
  return drawing;
}

LadderDrawing SkillGradeDrawing(const std::optional<TypingRunRecord>& best) {
  LadderDrawing drawing;
  for (const SkillGradeStep& step : kSkillGradeSteps) {
    drawing.steps.append(
        {step.perMinute, QString::fromUtf8(step.name), best && best->charsPerMinute >= step.perMinute});
  }
  return drawing;
}

RecordsModel ComputeRecords(const LearnerHistory& history, const ZINIconf& settings) {
  RecordsModel model;
  for (const CourseSpeeds& c : SummarizeSpeeds(history.runs))
    model.courses.append(MakeCourseChart(c, CourseBands(settings, c.course), &settings));
  model.mouse = SummarizeMouse(history.mouse);
  model.mouseChart = MakeMouseChart(model.mouse);
  model.ladder = SpeedLadder(history.runs);
  model.bestSkillTest = BestSkillTest(history.runs);
  model.practiceSteps = PracticeLadderDrawing(model.ladder);
  model.gradeSteps = SkillGradeDrawing(model.bestSkillTest);
  model.practiceLine = PracticeLadderLine(model.ladder, &settings);
  model.gradeLine = SkillGradeLine(model.bestSkillTest);
  return model;
}

}  // namespace shurencho
