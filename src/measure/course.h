#pragma once
// The program's one table of courses. Each row says how the history numbers
// a course, which entry the settings file keeps for it, what kind of
// practice it is and where its items come from; every other numbering of a
// course is found here.
//
// The history numbers the drill's five courses 1-5, its courses 3-5 typed
// with かな入力 13-15, 実践 (the free-typing page) 0 and 実力テスト 20. The
// settings file numbers courses its own way, and its files rely on that: the
// drill's current course is CourseNo 0-4, and a course's name, record and
// thresholds are entries 1-6 (CourseName0N, KeySpeed's Nth, Course0N) with
// 実践 the sixth.
//
// Adding a drill course is a row here and its list: it takes the next free
// history number after the drill's (6), and settings entry 7, since entry 6
// stays 実践's as stored files have it; its かな入力 twin, if any, is its
// number plus kKanaInputCourseOffset.

#include <span>

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

enum class CourseKind : unsigned char {
  Drill,      // a course of the drill, typed in romaji
  KanaDrill,  // a drill course typed with かな入力
  Practice,   // 実践: a text of the learner's choice
  SkillTest,  // 実力テスト
};

// Where a drill course's items come from.
enum class CourseItems : unsigned char {
  None,            // not a drill course
  Letters,         // the alphabet's letters, from the kana table
  AlphabetWords,   // the word list the settings name ArphTango
  KanaLetters,     // the kana, from the kana table
  KanaWords,       // the word list the settings name RomaTango
  ConversionWords  // the conversion list the settings name RomaTangoH
};

struct CourseRow {
  Course id;
  CourseKind kind;
  int settingsEntry;  // 1-6 among the settings' names, records and thresholds; 0: none
  int drillNumber;    // the drill's course (its button, CourseNo + 1); 0 outside the drill
  CourseItems items;
  bool shownInRecords;  // a line of its own in 成績's course list and the class table
};

inline constexpr CourseRow kCourseTable[] = {
    {Course::Drill1, CourseKind::Drill, 1, 1, CourseItems::Letters, true},
    {Course::Drill2, CourseKind::Drill, 2, 2, CourseItems::AlphabetWords, true},
    {Course::Drill3, CourseKind::Drill, 3, 3, CourseItems::KanaLetters, true},
    {Course::Drill4, CourseKind::Drill, 4, 4, CourseItems::KanaWords, true},
    {Course::Drill5, CourseKind::Drill, 5, 5, CourseItems::ConversionWords, true},
    {Course::KanaDrill3, CourseKind::KanaDrill, 3, 3, CourseItems::KanaLetters, false},
    {Course::KanaDrill4, CourseKind::KanaDrill, 4, 4, CourseItems::KanaWords, false},
    {Course::KanaDrill5, CourseKind::KanaDrill, 5, 5, CourseItems::ConversionWords, false},
    {Course::Practice, CourseKind::Practice, 6, 0, CourseItems::None, true},
    {Course::SkillTest, CourseKind::SkillTest, 0, 0, CourseItems::None, false},
};

inline constexpr int kKanaInputCourseOffset = 10;

constexpr int CourseId(Course c) { return static_cast<int>(c); }

// The row of a history course number; null for a number no row has (a
// newer program's).
constexpr const CourseRow* FindCourse(int course) {
  for (const CourseRow& row : kCourseTable)
    if (CourseId(row.id) == course) return &row;
  return nullptr;
}

// How many courses the drill has: its rows typed in romaji.
constexpr int CountDrillCourses() {
  int n = 0;
  for (const CourseRow& row : kCourseTable) n += row.kind == CourseKind::Drill ? 1 : 0;
  return n;
}
inline constexpr int kDrillCourses = CountDrillCourses();

// The drill's course n (1-kDrillCourses) as the history numbers it.
constexpr int DrillCourseId(int n, bool kanaInput) {
  for (const CourseRow& row : kCourseTable) {
    if (row.drillNumber == n && row.kind == (kanaInput ? CourseKind::KanaDrill : CourseKind::Drill))
      return CourseId(row.id);
  }
  return kanaInput ? DrillCourseId(n, false) : 0;
}

// Whether course is one of the drill's (either way of typing it).
constexpr bool IsDrillCourse(int course) {
  const CourseRow* row = FindCourse(course);
  return row != nullptr && (row->kind == CourseKind::Drill || row->kind == CourseKind::KanaDrill);
}

// The course's entry (1-6) among the settings' records and thresholds: a
// かな入力 course has its course's thresholds. 0 for a course the settings
// keep nothing for (実力テスト).
constexpr int SettingsCourse(int course) {
  const CourseRow* row = FindCourse(course);
  return row != nullptr ? row->settingsEntry : 0;
}
constexpr int SettingsCourse(Course c) { return SettingsCourse(CourseId(c)); }

// The courses 成績 and the class table list, in the table's order.
inline std::span<const CourseRow> CourseTable() { return kCourseTable; }

}  // namespace shurencho
