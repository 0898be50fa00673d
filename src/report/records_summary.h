#pragma once
// What the 成績 window and the reports draw, shaped from a learner's history:
// speeds aggregated per day and course (a chart of 100,000 runs stays a few
// hundred points), the speed ladder, the mouse pages' progress and the key
// heat of the keyboard drawing. No widgets; the views and the HTML report
// both draw from these.

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <optional>

#include "data/keyboard_layout.h"
#include "history/history_records.h"

namespace shurencho {

struct ZINIconf;

// The courses in the order they are shown, as the course table lists
// those it shows in the records: the drill's, then free typing.
QList<int> ShownCourses();
// Shown after those only where somebody has run them, in the table's
// order: the kana courses typed with かな入力, then the three-minute test.
QList<int> OccasionalCourses();
// A course by name: the drill's courses as the settings name them (their
// defaults without settings, or when a name is blank), free typing "実践".
QString CourseLabel(int course, const ZINIconf* settings = nullptr);

// A key as a learner reads it: the keys that print nothing are named
// ("空白", "Enter", "Tab", "Backspace", "Ctrl+A"...); any other text,
// names included, is returned as it is.
QString KeyName(const QString& key);
// The misses counted on each key of a keyboard (by the key's index), each
// miss on the key that types what it names.
QList<int> KeyMisses(const KeyboardLayout& keyboard, const QList<QPair<QString, int>>& counts);

// The school targets drawn across every speed chart, in 字／分.
inline constexpr std::array<int, 2> kSchoolTargets = {40, 60};
// How many of a weak unit's wrong keys are shown beside it.
inline constexpr int kShownWrongKeys = 5;
// The certificate steps of the speed ladder, in 字／分.
inline constexpr std::array<int, 6> kLadderSteps = {10, 30, 50, 70, 100, 150};

// A run's accuracy was measured when its keys were judged, or, in the
// test, its characters were checked against the passage; a run typed
// through the input method with no key counted has none.
bool AccuracyMeasured(const TypingRunRecord& run);
// 打鍵／分 means something only where keys were counted.
inline bool KeysCounted(const TypingRunRecord& run) { return run.keystrokes > 0; }

// What every page shows where a figure was not measured (never 0 or 100%).
inline const QString& NotMeasuredMark() {
  static const QString mark = QStringLiteral("―");
  return mark;
}
// 正確さ and 打鍵／分 as every page shows them: "91.7%" and "120", or the mark.
QString AccuracyShown(std::optional<double> accuracy);
QString KeysPerMinuteShown(std::optional<double> keysPerMinute);

// The mean of the runs' own figures, over the runs that measured one: the
// one way 正確さ is summed up, per day, per course, per learner and on the
// class server alike.
struct FigureMean {
  double sum = 0;
  qint64 runs = 0;
  void Add(double value) {
    sum += value;
    ++runs;
  }
  std::optional<double> Value() const { return runs > 0 ? std::optional<double>(sum / runs) : std::nullopt; }
};

// One course's runs of one local day.
struct DaySpeed {
  QDate day;
  HistoryTime at = 0;                   // the day's first run
  int best = 0;                         // 字／分
  double mean = 0;                      // 字／分
  std::optional<double> accuracy;       // 0 to 1; none when no run measured one
  std::optional<double> keysPerMinute;  // mean 打鍵／分 of the runs whose keys were counted
  int runs = 0;
};

// A course's graded runs; the runs left (途中) or not graded (計測なし) are
// only counted.
struct CourseSpeeds {
  int course = 0;
  QList<DaySpeed> days;  // oldest first
  int best = 0;          // best 字／分 of all runs
  int latest = 0;        // 字／分 of the newest run
  HistoryTime latestAt = 0;
  FigureMean accuracy;       // over the runs that measured one
  FigureMean keysPerMinute;  // over the runs whose keys were counted
  int runs = 0;
  int unfinished = 0;  // 途中
  int ungraded = 0;    // 計測なし
};

// A course's two grade thresholds (below lower ×, from lower ○, from upper ◎).
struct GradeBands {
  int lower = 0;
  int upper = 0;
};
GradeBands CourseBands(const ZINIconf& settings, int course);

// The best practice run counted the way typing certificates count:
// characters less mistakes, per minute of the run. Only runs of a minute or
// more count, so a few quick seconds are not taken for ten minutes of work.
// The test has a ladder of its own (its 級), so its runs are not on this one.
struct LadderStanding {
  double perMinute = 0;  // 0 when no run counts
  int step = 0;          // the highest step reached; 0 below the first
  int nextStep = 0;      // the step above; 0 at the top
  int course = -1;       // of the best run; -1 when none counts
  HistoryTime at = 0;
};
inline constexpr double kLadderMinimumSeconds = 60;
double CertificateSpeed(const TypingRunRecord& run);
// Graded runs only.
LadderStanding SpeedLadder(const QList<TypingRunRecord>& runs);
// "練習の段位：50 字／分の段（…）。次は 70 字／分です。": one line, its next step included.
QString PracticeLadderLine(const LadderStanding& standing, const ZINIconf* settings = nullptr);

// One mouse game's progress: the stage reached per day, and how many misses
// each stage took on average.
struct StageMisses {
  int stage = 0;
  int plays = 0;
  double meanMisses = 0;
};
struct MouseProgress {
  MouseGame game = MouseGame::Maze;
  QList<QPair<HistoryTime, int>> stageByDay;  // the day's first record, the day's highest stage
  QList<StageMisses> byStage;                 // by stage, lowest first
  int bestStage = 0;
  int plays = 0;
};
// "迷路", "クリック", "ドラッグ", "パズル".
QString MouseGameLabel(MouseGame game);
// Every game in menu order, empty ones included.
QList<MouseProgress> SummarizeMouse(const QList<MouseRecord>& records);

// Speeds of every shown course, in ShownCourses() order, empty ones included,
// then those of OccasionalCourses() that have runs (or are in `alsoShown`).
QList<CourseSpeeds> SummarizeSpeeds(const QList<TypingRunRecord>& runs, const QList<int>& alsoShown = {});

// Local calendar days of epoch times, fast for times that come in order: the
// day's bounds are looked up once per day, not once per time.
class LocalDays {
 public:
  QDate DayOf(HistoryTime at);

 private:
  HistoryTime m_start = 0;
  HistoryTime m_end = 0;  // exclusive; m_start == m_end: nothing looked up yet
  QDate m_day;
};

}  // namespace shurencho
