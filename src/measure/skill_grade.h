#pragma once
// The 級 ladder of the three-minute test: from the best finished test's
// 字／分 to a 級 (10級 up to 1級, then 段). The steps are spaced so that the
// national survey's means and the school targets each fall on one, so a
// child can tell where the average pupil of a year stands.

#include <QString>
#include <array>

namespace shurencho {

struct SkillGradeStep {
  int perMinute;  // 字／分 from which the step is reached
  const char* name;
};

// Lowest first.
inline constexpr std::array<SkillGradeStep, 20> kSkillGradeSteps = {{
    {10, "10級"},  {15, "9級"},   {20, "8級"},   {23, "7級"},   {28, "6級"},   {34, "5級"},   {40, "4級"},
    {50, "3級"},   {60, "2級"},   {70, "1級"},   {80, "初段"},  {90, "二段"},  {100, "三段"}, {110, "四段"},
    {120, "五段"}, {130, "六段"}, {140, "七段"}, {150, "八段"}, {160, "九段"}, {170, "十段"},
}};

// The school targets in 字／分: the primary school's and the junior high
// school's. They also colour the test's speeds as the thresholds colour a
// course's (× below the first, ◎ from the second).
inline constexpr int kPrimarySchoolTarget = 40;
inline constexpr int kJuniorHighTarget = 60;

// The mark of a finished test below the first step.
inline const QString& BelowGradesMark() {
  static const QString mark = QStringLiteral("級外");
  return mark;
}

// The step reached at perMinute; -1 below the first.
int SkillGradeIndex(int perMinute);
// Its name, or 級外 below the first step.
QString SkillGradeText(int perMinute);

}  // namespace shurencho
