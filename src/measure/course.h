#pragma once
// The program's one numbering of the courses, the one the learning history
// stores: the drill's five courses are 1-5, its courses 3-5 typed with
// かな入力 13-15, 実践 (the free-typing page) 0 and 実力テスト 20. The settings
// file numbers courses its own way, and its files rely on that: the drill's
// current course is CourseNo 0-4, and a course's record and thresholds are
// entries 1-6 with 実践 the sixth. The functions below are the only places
// where one numbering becomes the other.

namespace shurencho {

enum class Course : int {
  Practice = 0,
  Drill1 = 1,
  Drill2 = 2,
  Drill3 = 3,
  Drill4 = 4,
  Drill5 = 5,
  KanaDrill3 = 13,
  KanaDrill4 = 14,
  KanaDrill5 = 15,
  SkillTest = 20,
};

inline constexpr int kDrillCourses = 5;
inline constexpr int kKanaInputCourseOffset = 10;

constexpr int CourseId(Course c) { return static_cast<int>(c); }

// The drill's course n (1-5) as the history numbers it.
constexpr int DrillCourseId(int n, bool kanaInput) { return n + (kanaInput ? kKanaInputCourseOffset : 0); }

// Whether course is one of the drill's (either way of typing it).
constexpr bool IsDrillCourse(int course) {
  return (course >= 1 && course <= kDrillCourses) ||
         (course >= CourseId(Course::KanaDrill3) && course <= CourseId(Course::KanaDrill5));
}

// The course's entry (1-6) among the settings' records and thresholds: a
// かな入力 course has its course's thresholds. 0 for a course the settings
// keep nothing for (実力テスト).
constexpr int SettingsCourse(int course) {
  if (course == CourseId(Course::Practice)) return 6;
  if (course >= CourseId(Course::KanaDrill3) && course <= CourseId(Course::KanaDrill5))
    return course - kKanaInputCourseOffset;
  if (course >= 1 && course <= kDrillCourses) return course;
  return 0;
}
constexpr int SettingsCourse(Course c) { return SettingsCourse(CourseId(c)); }

}  // namespace shurencho
