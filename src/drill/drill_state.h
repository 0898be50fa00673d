#pragma once
// The keyboard drill's working record: the course being practised, the item
// on screen and how far its reading has been typed, and the measured run.

#include <QString>
#include <QStringList>

#include "data/course_item.h"
#include "measure/measured_run.h"

namespace shurencho {

struct DrillState {
  // The no-judge marker: a one-character text no typed text can equal. It
  // tells the judge that the drill itself made the last change of the input
  // box, so that change must not be judged.
  static QString NoJudge() { return QString(QChar(u'\0')); }

  CourseItemList ActiveItems;  // copy of the current course's items
  int ItemCount = 0;           // items in ActiveItems
  int ItemIndex = 0;           // current item, 0-based
  CourseItem Item;             // the current item
  QString QuestionText;        // field 0, shown in Label43
  QString Reading;             // field 1, typed in romaji
  int ReadingLength = 0;       // characters of Reading
  int ReadPos = 0;             // characters of Reading already taken as units
  QString KanaUnit;            // unit to be typed next
  QStringList UnitRomaji;      // its table line split: key, hint, further forms
  QString DoneText;            // reading entered so far, or the conversion entry
  QString DoneRomaji;          // romaji typed for DoneText
  QString PendingRomaji;       // romaji of the unit before the last key, or NoJudge()
  bool ReadingDone = false;    // the whole reading has been typed
  bool Confirmed = false;      // a conversion entry has been confirmed
  bool Converting = false;     // a conversion key has been used
  bool NoConversion = false;   // field 5: finished as soon as the reading is typed
  bool ReadingOnly = false;    // field 4: answered by the reading, Enter goes on
  int RunChars = 0;            // characters of the items finished in this run
  ClockTime RunStart = 0;      // when the run started; 0: no run
  ClockTime RunEnd = 0;        // when the last item was finished
  ClockTime RunElapsed = 0;    // RunEnd - RunStart

  // The run as measured at the last finished item.
  MeasuredRun Run() const { return MeasuredRun{RunStart, RunElapsed, RunChars, 0, 0}; }

  bool PendingIsNoJudge() const { return PendingRomaji == NoJudge(); }
  // PendingRomaji as the box or a label shows it: the marker shows as nothing.
  QString PendingShown() const { return PendingIsNoJudge() ? QString() : PendingRomaji; }
};

}  // namespace shurencho
