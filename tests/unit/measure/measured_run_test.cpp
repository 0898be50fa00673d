#include "measure/measured_run.h"

#include <gtest/gtest.h>

#include <set>

#include "measure/course.h"

using namespace shurencho;

namespace {

constexpr double kSecond = 1.0 / 86400.0;

MeasuredRun RunOf(qint64 chars, double seconds) {
  return MeasuredRun{45000.5, seconds * kSecond, chars, 0, 0};
}

TEST(MeasuredRun, SpeedIsExactWholeNumberArithmetic) {
  // 22 characters in 0:1:28 is exactly 15 a minute; a floating quotient of
  // minutes and seconds lands just below and truncates to 14.
  EXPECT_EQ(RunOf(22, 88).CharsPerMinute(), 15);
  EXPECT_EQ(RunOf(22, 88).TimeText(), QStringLiteral("0:1:28"));
  EXPECT_EQ(RunOf(7, 0.4).CharsPerMinute(), 420);                     // within the first second
  EXPECT_EQ(RunOf(100, 3661.9).TimeText(), QStringLiteral("1:1:1"));  // milliseconds dropped
  EXPECT_EQ(RunOf(5, -30).Seconds(), 0);                              // a clock set back shows no time
}

TEST(MeasuredRun, WarmupIsReachedAtTheShownSecondAndExceededAfterIt) {
  const double warmup = 30 * kSecond;
  EXPECT_FALSE(RunOf(1, 29.999).ReachesWarmup(warmup));
  EXPECT_TRUE(RunOf(1, 30.2).ReachesWarmup(warmup));
  EXPECT_FALSE(RunOf(1, 30.2).ExceedsWarmup(warmup));
  EXPECT_TRUE(RunOf(1, 31).ExceedsWarmup(warmup));
}

TEST(MeasuredRun, KeysAndAccuracy) {
  MeasuredRun run = RunOf(30, 60);
  run.keystrokes = 40;
  run.misses = 4;
  EXPECT_EQ(run.KeysPerMinute(), 40);
  EXPECT_DOUBLE_EQ(run.Accuracy(), 0.9);
}

// What a new row must keep: stored files number their courses as before.
TEST(CourseTable, NumbersEveryCourseAsStoredFilesDo) {
  std::set<int> drillNumbers;
  for (const CourseRow& row : CourseTable()) {
    const int id = CourseId(row.id);
    SCOPED_TRACE(id);
    EXPECT_EQ(FindCourse(id), &row);
    if (row.kind == CourseKind::Drill) {
      EXPECT_TRUE(drillNumbers.insert(row.drillNumber).second);
      EXPECT_EQ(DrillCourseId(row.drillNumber, false), id);
    }
    if (row.kind == CourseKind::KanaDrill) {
      EXPECT_EQ(id, DrillCourseId(row.drillNumber, false) + kKanaInputCourseOffset);
    }
  }
  EXPECT_EQ(kDrillCourses, 5);
  EXPECT_EQ(*drillNumbers.rbegin(), kDrillCourses);
  EXPECT_EQ(SettingsCourse(Course::Practice), 6);
  EXPECT_EQ(SettingsCourse(Course::KanaDrill4), 4);
  EXPECT_EQ(SettingsCourse(Course::SkillTest), 0);
  EXPECT_FALSE(IsDrillCourse(CourseId(Course::SkillTest)));
  EXPECT_EQ(FindCourse(7), nullptr);
}

}  // namespace
