#pragma once
// Everything read from the data files at start-up: the kana-romaji table,
// the five course lists, the maze map and the keyboard layouts. Read-only
// once loaded.

#include "data/course_item.h"
#include "data/kana_roma_table.h"
#include "data/keyboard_layout.h"
#include "data/maze_map.h"
#include "settings/settings.h"

namespace shurencho {

struct PracticeData {
  KanaRomaTable kanaRomaTable;
  KanaKeyList kanaKeyList;
  // The item lists; which course deals which is the course table's.
  // Each is made when a course first deals it.
  CourseList alphabetLetters;
  CourseList alphabetWords;
  CourseList kanaLetters;
  CourseList kanaWords;
  CourseList conversionWords;
  MazeMap mazeMap;
  KeyboardLayouts keyboards;
};

// Runs the loaders in their start-up order: table and keys, course 1, 2, 3,
// 4, 5, the maze map, then the two keyboard layouts; each file is named by
// the settings (the layouts by their own names), and a bare name is opened
// in the working directory, else in the installed data folder found from
// programPath. Throws DataFileError naming the file (and line) that
// could not be used.
PracticeData LoadPracticeData(const AppSettings& settings, const QString& programPath = QString(),
                              const KeyboardFiles& keyboards = {});

}  // namespace shurencho
