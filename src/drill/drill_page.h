#pragma once
// The keyboard drill page (TabSheet1, "特訓"): five courses, romaji judged key
// by key against the kana-romaji table, the run's speed and the course
// grades, and the conversion exercise of course 5.

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

#include "data/kana_keys.h"
#include "data/kana_roma_table.h"
#include "data/romaji_notation.h"
#include "drill/drill_state.h"
#include "history/history_records.h"
#include "platform/controls.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace shurencho {

struct PracticeData;
class HistoryRecorder;

class DrillPage final {
 public:
  static constexpr int kCourses = kDrillCourses;

  DrillPage(AppSettings& settings, const PracticeData& data, Platform& platform);
  DrillPage(const DrillPage&) = delete;
  DrillPage& operator=(const DrillPage&) = delete;

  // Window creation: start the stored course and show its first item.
  void FormCreate();
  // Window shown: tick the option boxes from the settings.
  void FormShow();
  // Window closing: the run under way ends.
  void FormClose();

  // Where finished items, runs and refused keys are reported; null: nowhere.
  void SetHistory(HistoryRecorder* history) { m_history = history; }
  // The history has opened: a weak-unit drill dealt before it had any data
  // deals again, unless a run is under way.
  void HistoryOpened();
  // The items of the course that hold one of the units, in course order.
  static CourseItemList ItemsHoldingUnits(const CourseItemList& items, const QStringList& units,
                                          const KanaKeyList& keys);
  // The items the drill's course n deals, the list the course table names
  // for it (course 3's for an n no row has).
  static const CourseItemList& ItemsOfCourse(const PracticeData& data, int n);
  // Units of the weakest ranking the weak-unit drill deals from.
  static constexpr int kWeakUnits = 10;
  // The items of the course holding kana children often mistype (voiced,
  // small kana, っ, ー), in course order: dealt before there is a history.
  static CourseItemList ItemsHoldingTrickyKana(const CourseItemList& items);

  // Course buttons RadioButton1 to RadioButton5: course n = 1 to 5.
  void RadioButtonClick(int n);
  void RadioGroup1Click();
  void CheckBox1Click();  // RANDUM
  void CheckBox4Click();  // ROMA
  void CheckBox2Click();  // AUTO
  void CheckBox5Click();  // 苦手練習
  void Button3Click();    // RESET
  void Label43Click();
  void TabSheet1MouseDown();
  // Edit2 loses or regains the focus: time in a menu or a dialog is not
  // counted against the kana on screen.
  void Edit2Exit();
  void Edit2Enter();
  // Menu 練習 → ローマ字の表記: 0 the table's hint, 1 ヘボン式, 2 訓令式.
  void RomajiGuideClick(int guide);
  // Menu 練習 → かな入力: the kana courses are typed by the kana keys, and
  // measured and graded apart from romaji.
  void KanaInputClick(bool on);

  // The input box: a character key arrives first in Edit2KeyPress, then
  // changes the text, which runs Edit2Change. Key-down comes before both.
  void Edit2KeyPress(QChar& key);
  void Edit2Change();
  void Edit2KeyDown(int& key, ShiftState shift);
  // Enter in Edit2 or ListBox1 (Button1 is the default button).
  void Button1Click();
  void ListBox1KeyDown(int& key, ShiftState shift);
  void ListBox1Click();

  // A key pressed in Edit2, in the order the window gives it: Enter goes to
  // the default button; key-down may discard the key; a character key
  // (character not null, Backspace as '\b') is then announced to
  // Edit2KeyPress. True when the box is to take the key and change its text.
  // With かな入力 a kana unit is typed by the key's place on the keyboard:
  // the page puts the key's kana in the box itself.
  bool Edit2Key(int code, ShiftState shift, QChar character, JisKey position = JisKey::None);
  // A key pressed in ListBox1: Enter goes to the default button, any other
  // key to key-down. True when the list is to take the key itself.
  bool ListBox1Key(int code, ShiftState shift);

  const DrillState& state() const { return m_state; }

  // A pass is a short stretch of the course: PassItems finished items (the
  // course's list where that is shorter), counted from the reset or from
  // the end of the pass before. The page's run goes on across passes; a
  // pass has its own figures, the run's since the pass began, and the
  // history keeps each pass as a run of its own.
  struct PassStatus {
    int done = 0;   // items finished in the pass under way
    int total = 0;  // items in a pass
    int characters = 0;
    double seconds = 0;
    int charsPerMinute = 0;
    int keystrokes = 0;  // keys judged in the pass
    int misses = 0;      // of those, refused
  };
  PassStatus Pass() const;
  int PassLength() const;
  // The pass that ended last (finished, or left by RESET or another
  // course); forgotten when the course or the way of practising changes.
  struct PassSummary {
    int course = 0;  // as the history numbers it
    int characters = 0;
    double seconds = 0;
    int charsPerMinute = 0;
    QString mark;  // the pass's mark, or 途中 / 計測なし
    RunKind kind = RunKind::Ungraded;
    QStringList slowest;  // the two kana units that took longest on average
    int keystrokes = 0;
    int misses = 0;
    int warmupSeconds = 0;  // the shortest pass that is graded
  };
  const std::optional<PassSummary>& LastPass() const { return m_lastPass; }
  // Grows by one at every refused key; the key refused last.
  int Refusals() const { return m_refusals; }
  const QString& LastRefusedKey() const { return m_lastRefused; }
  // The next key to type: a lower-case letter in the learner's notation, or
  // with かな入力 the kana on the key; empty while converting.
  QString NextKeyText() const;
  // かな入力 on the current course, which then judges a unit by the kana of
  // the keys typed (UnitRomaji holds them as its one form).
  bool KanaMode() const { return m_settings.KanaCourse(m_settings.CourseNo + 1); }
  // The button and the grade mark of course n (1-5).
  RadioButton& CourseButton(int n);
  Label& GradeLabel(int n);

  Label Label5;              // course title
  Label Label43;             // the question; click for the reading
  Panel Panel1;              // status: 入力, 変換, 確定, 次へ, 取消
  Label Label1;              // the entry so far
  EditBox Edit2;             // romaji input, lower case, input method off
  Button Button1;            // hidden default button behind Edit2
  Label Label44;             // romaji hint of the next unit
  ListBox ListBox1;          // conversion candidates; open while enabled
  Button Button3;            // RESET
  Label Label4;              // elapsed time of the run
  Label Label3;              // characters of the run
  Label Label2;              // speed of the run
  RadioButton RadioButton1;  // course 1: alphabet letters
  RadioButton RadioButton2;  // course 2: alphabet words
  RadioButton RadioButton3;  // course 3: kana letters
  RadioButton RadioButton4;  // course 4: kana words
  RadioButton RadioButton5;  // course 5: kana words with conversion
  Label Label17;             // grade mark of course 1
  Label Label18;             // grade mark of course 2
  Label Label19;             // grade mark of course 3
  Label Label20;             // grade mark of course 4
  Label Label21;             // grade mark of course 5
  Panel Panel5;              // frame of the options
  CheckBox CheckBox1;        // RANDUM: random order
  CheckBox CheckBox4;        // ROMA: romaji hint
  CheckBox CheckBox2;        // AUTO: stored only, hidden
  CheckBox CheckBox5;        // 苦手練習: deal the items holding the weakest units

 private:
  // Making an item current, in the pieces its callers combine: take the
  // item (TakeItem, or ReadItem from the item held), empty
  // the box, show the item, then ask for its reading.
  void TakeItem();
  void ReadItem();
  void ClearEdit2();
  void ShowItem();
  void EnterStep();
  // After a change of order: the item at ItemIndex is shown afresh, and a
  // run under way goes on with it.
  void ShowNewOrder();
  void ResetRun();
  void DrawFirstItem();
  int NextItemIndex();
  void CompleteItem();
  void UnitComplete(const QString& typed);
  void ShowGrade(int courseNo);
  // Label5's title of course n (1-5).
  QString CourseTitle(int n) const;
  // The items course n deals: all, or with 苦手練習 those holding the
  // learner's weakest units (all when there are none).
  CourseItemList DealtItems(int n) const;
  void DealWeakItems();
  // A key judged against the current unit: counted, and a refused one noted.
  void RecordKey(const QString& typed, bool refused);

  // Table queries on the current unit. With a notation chosen, the unit's
  // line holds every spelling it accepts and the judge sees the next unit.
  int MatchUnit(const QString& typed) const;
  GuideMatch JudgeUnit(const QString& typed) const;
  QStringList UnitLine(const QString& unit) const;
  Notation Guide() const { return NotationOf(m_settings.RomajiGuide); }
  RomajiNotation Spellings() const;
  // The unit `ahead` units after the current one; empty past the reading.
  QString UpcomingUnit(int ahead) const;
  // The hint of the current unit: the table's first form, or the notation's
  // plan from what has been typed, or with かな入力 the keys to press.
  QString UnitHint() const;
  // A kana key in the box when the unit is typed by kana keys; false when
  // the key goes the ordinary way.
  bool KanaKey(ShiftState shift, QChar character, JisKey position);
  // The course the history records: かな入力 runs as courses 13-15, apart
  // from the romaji figures of 3-5.
  int HistoryCourse() const { return DrillCourseId(m_settings.CourseNo + 1, KanaMode()); }
  // ん or っ completed in context by the typed letters but the last, which
  // begins the next unit.
  void CarryOver(const QString& typed);
  // The pass under way: a finished item counted, the pass ended with the
  // page's figures and mark, or left.
  void CountPassItem();
  void EndPass(RunKind kind);
  // The pass under way as a run of its own.
  MeasuredRun PassRun() const;
  void UnitTimed(const QString& unit);

  // Conversion.
  bool AwaitingConversion() const;
  // A key while the entry waits to be converted, and the space bar's part in it.
  void ConversionKey(int& key);
  void SpaceBarConverts();
  void Convert(const QString& entry);
  void SetEntry(const QString& entry);
  void ConversionCaption();
  void ConfirmedCaption();
  void CandidateCaption();
  void Confirm();
  void ReadingLook();
  void ConvertingLook();
  void ConfirmedLook();
  void OpenCandidates();
  void CloseCandidates();
  void BackToReading();
  void TakeCandidate();
  QString HighlightedCandidate() const;

  AppSettings& m_settings;
  const PracticeData& m_data;
  Platform& m_platform;
  HistoryRecorder* m_history = nullptr;
  DrillState m_state;

  struct UnitTime {
    double seconds = 0;
    int count = 0;
  };
  int m_passDone = 0;
  // The run's counts when the pass under way began.
  struct PassStart {
    int chars = 0;
    ClockTime elapsed = 0;
    int keys = 0;
    int misses = 0;
  };
  PassStart m_passStart;
  ClockTime m_pausedAt = 0;  // when Edit2 lost the focus; 0: it has it
  int m_runKeys = 0;
  int m_runMisses = 0;
  ClockTime m_unitStart = 0;  // when the current unit became current; 0: no key yet
  QHash<QString, UnitTime> m_unitTimes;
  std::optional<PassSummary> m_lastPass;
  int m_refusals = 0;
  QString m_lastRefused;
};

}  // namespace shurencho
