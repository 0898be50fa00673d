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
  CourseItemList alphabetLetters;  // course 1
  CourseItemList alphabetWords;    // course 2
  CourseItemList kanaLetters;      // course 3
  CourseItemList kanaWords;        // course 4
  CourseItemList conversionWords;  // course 5
  MazeMap mazeMap;
  KeyboardLayouts keyboards;

  // The item list of course k (1-5); course 3 for any other k.
  const CourseItemList& Course(int k) const;
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
