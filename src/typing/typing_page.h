#pragma once
// The free typing page (TabSheet2, "実践"): the user loads a text file and
// types it out in full while the page shows how much is right so far, the
// time and the speed, and gives a verdict at the end.

#include <QString>

#include "measure/measured_run.h"
#include "platform/controls.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "typing/rich_pane.h"

namespace shurencho {

struct PracticeData;
class HistoryRecorder;

// The page's run state.
struct TypingRunState {
  int MatchedChars = 0;         // characters of the practice text typed right so far
  ClockTime TypingStart = 0;    // the run's first edit; 0: not started
  ClockTime TypingNow = 0;      // the latest edit
  ClockTime TypingElapsed = 0;  // TypingNow - TypingStart
};

// A multi-line edit box. Emptying it from code runs no handler.
struct MemoBox : Control {
  QString text;          // as typed; line breaks are CR LF
  bool readOnly = true;  // closed to input
  int codeRevision = 0;  // changes whenever code replaces the text

  void ClearFromCode() {
    text.clear();
    ++codeRevision;
  }
};

class TypingPage final {
 public:
  // The page needs none of the practice data: its text comes from the user's file.
  TypingPage(AppSettings& settings, const PracticeData& data, Platform& platform);

  // The page's share of window creation (and of the reset).
  void FormCreate();
  // Window closing: a run under way is kept as unfinished.
  void FormClose();
  // Chooses a file and starts a new attempt on it.
  void Button4Click();
  // Runs after each edit of Memo2 by the user.
  void Memo2Change();
  // An edit by the user left Memo2 holding typed (line breaks CR LF).
  void Memo2UserEdit(const QString& typed);
  // A character key pressed in Memo2.
  void Memo2KeyPress();

  // Where judged runs are reported; null: nowhere.
  void SetHistory(HistoryRecorder* history) { m_history = history; }

  RichPane RichEdit1;  // the practice text; the matched prefix is highlighted
  RichPane RichEdit2;  // hidden copy of the practice text, for counting
  MemoBox Memo2;       // the typing box
  Label Label6;        // name of the loaded file
  Button Button4;      // load a practice text
  Label Label11;       // title of Label7
  Label Label7;        // total characters of the practice text
  Label Label12;       // title of Label8
  Label Label8;        // characters typed right so far
  Label Label13;       // title of Label10
  Label Label10;       // elapsed time of the run
  Label Label14;       // title of Label9
  Label Label9;        // speed in characters per minute
  Label Label22;       // message line: prompts and verdicts

  TypingRunState TypingRun;

 private:
  // The run under way ends unfinished (a new text, a reset, the window closing).
  void LeaveRun();
  // Time and speed of an edit after the first; stores the speed once the
  // run has lasted warmup.
  void MeasureTime();
  // The run as measured at the latest edit.
  MeasuredRun Run() const;
  // The typed text equals the practice text: close the box, give the verdict.
  void Complete();

  AppSettings& m_settings;
  Platform& m_platform;
  HistoryRecorder* m_history = nullptr;
  QString m_lastFolder;       // folder of the file chosen last; empty before the first
  qint64 m_shownSeconds = 0;  // the time Label10 shows, as seconds of the day
};

// Texts of the message line.
namespace typing_texts {
QString Welcome();
QString Ready();
QString Cheat();
QString TooShort();
QString Poor();
QString Good();
QString Excellent();
}  // namespace typing_texts

}  // namespace shurencho
