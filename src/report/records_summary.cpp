#include "report/records_summary.h"

#include <QDateTime>
#include <QMap>
#include <algorithm>
#include <vector>

#include "report/skill_grade.h"
#include "settings/settings.h"

namespace shurencho {

QString CourseLabel(int course, const ZINIconf* settings) {
  const CourseRow* row = FindCourse(course);
  if (row != nullptr && row->kind == CourseKind::Practice) return QStringLiteral("実践");
  if (row != nullptr && row->kind == CourseKind::SkillTest) return QStringLiteral("実力テスト");
  if (row != nullptr && row->kind == CourseKind::KanaDrill)
    return KanaInputCourseName(CourseLabel(DrillCourseId(row->drillNumber, false), settings));
  static const AppSettings defaults = [] {
    AppSettings s;
    LoadSettings(s, false, QString());
    return s;
  }();
  const auto name = [row](const ZINIconf& s) {
    return row != nullptr ? s.CourseName(row->settingsEntry).trimmed() : QString();
  };
  QString shown = settings != nullptr ? name(*settings) : QString();
  if (shown.isEmpty()) shown = name(defaults);
  // A course number no row has (a newer program's) still reads as one.
  return shown.isEmpty() ? QStringLiteral("特訓%1").arg(course) : shown;
}

QList<int> ShownCourses() {
  QList<int> courses;
  for (const CourseRow& row : CourseTable())
    if (row.shownInRecords) courses.append(CourseId(row.id));
  return courses;
}

QList<int> OccasionalCourses() {
  QList<int> courses;
  for (const CourseRow& row : CourseTable())
    if (!row.shownInRecords) courses.append(CourseId(row.id));
  return courses;
}

QString KeyName(const QString& key) {
  if (key.size() != 1 && key != QLatin1String("\r\n")) return key;
  switch (key.front().unicode()) {
    case ' ':
      return QStringLiteral("空白");
    case 0x3000:
      return QStringLiteral("全角空白");
    case '\r':
    case '\n':
      return QStringLiteral("Enter");
    case '\t':
      return QStringLiteral("Tab");
    case '\b':
    case 0x7F:
      return QStringLiteral("Backspace");
    case 0x1B:
      return QStringLiteral("Esc");
  }
  const char16_t c = key.front().unicode();
  if (c < 0x20) return QStringLiteral("Ctrl+%1").arg(QChar(u'@' + c));
  return key;
}

GradeBands CourseBands(const ZINIconf& settings, int course) {
  // 実力テスト has no thresholds in the settings: its bands are the survey's
  // two targets.
  const int k = SettingsCourse(course);
  if (k == 0) return GradeBands{kPrimarySchoolTarget, kJuniorHighTarget};
  const QStringList& t = settings.CourseThresholds(k);
  GradeBands bands{t.value(0).trimmed().toInt(), t.value(1).trimmed().toInt()};
  if (bands.upper < bands.lower) std::swap(bands.lower, bands.upper);
  return bands;
}

QDate LocalDays::DayOf(HistoryTime at) {
  if (m_start == m_end || at < m_start || at >= m_end) {
    m_day = QDateTime::fromMSecsSinceEpoch(at).date();
    m_start = m_day.startOfDay().toMSecsSinceEpoch();
    m_end = m_day.addDays(1).startOfDay().toMSecsSinceEpoch();
    // A day that does not hold its own start (a time zone oddity) is not cached.
    if (at < m_start || at >= m_end) m_end = m_start;
  }
  return m_day;
}

namespace {

// The courses a summary shows, in order, each still without runs.
QList<CourseSpeeds> CoursesShown(const QList<TypingRunRecord>& runs, const QList<int>& alsoShown) {
  QList<CourseSpeeds> courses;
  const auto show = [&courses](int course) {
    courses.append(CourseSpeeds{});
    courses.last().course = course;
  };
  for (int course : ShownCourses()) show(course);
  for (int course : OccasionalCourses()) {
    const bool run =
        alsoShown.contains(course) ||
        std::any_of(runs.cbegin(), runs.cend(), [course](const auto& r) { return r.course == course; });
    if (run) show(course);
  }
  return courses;
}

// One course's graded runs added up as they are read, oldest first.
class SpeedTally {
 public:
  explicit SpeedTally(CourseSpeeds* course) : m_c(course) {}

  void Add(const TypingRunRecord& run, const QDate& date) {
    if (m_c->days.isEmpty() || m_c->days.last().day != date) {
      if (!m_c->days.isEmpty()) CloseDay();
      DaySpeed day;
      day.day = date;
      day.at = run.at;
      day.best = run.charsPerMinute;
      m_c->days.append(day);
    }
    DaySpeed& d = m_c->days.last();
    d.best = std::max(d.best, run.charsPerMinute);
    ++d.runs;
    m_speed += run.charsPerMinute;
    if (AccuracyMeasured(run)) {
      m_accuracy.Add(run.accuracy);
      m_c->accuracy.Add(run.accuracy);
    }
    if (KeysCounted(run)) {
      m_keys.Add(run.keysPerMinute);
      m_c->keysPerMinute.Add(run.keysPerMinute);
    }
    m_c->best = std::max(m_c->best, run.charsPerMinute);
    if (m_c->runs == 0 || run.at >= m_c->latestAt) {
      m_c->latest = run.charsPerMinute;
      m_c->latestAt = run.at;
    }
    ++m_c->runs;
  }

  void Finish() {
    if (!m_c->days.isEmpty()) CloseDay();
  }

 private:
  // The day's means, from the sums of its runs.
  void CloseDay() {
    DaySpeed& d = m_c->days.last();
    d.mean = m_speed / d.runs;
    d.accuracy = m_accuracy.Value();
    d.keysPerMinute = m_keys.Value();
    m_speed = 0;
    m_accuracy = m_keys = FigureMean{};
  }

  CourseSpeeds* m_c;
  double m_speed = 0;  // the current day's sums
  FigureMean m_accuracy, m_keys;
};

}  // namespace

QList<CourseSpeeds> SummarizeSpeeds(const QList<TypingRunRecord>& runs, const QList<int>& alsoShown) {
  QList<CourseSpeeds> courses = CoursesShown(runs, alsoShown);
  QHash<int, qsizetype> index;
  std::vector<SpeedTally> tallies;
  for (qsizetype i = 0; i < courses.size(); ++i) {
    index.insert(courses[i].course, i);
    tallies.emplace_back(&courses[i]);
  }
  LocalDays days;
  for (const TypingRunRecord& run : runs) {
    const auto found = index.constFind(run.course);
    if (found == index.constEnd()) continue;
    // A run left or not graded is no speed the page stood by.
    const RunKind kind = RunKindOf(run.grade);
    if (kind == RunKind::Graded) {
      tallies[*found].Add(run, days.DayOf(run.at));
    } else {
      ++(kind == RunKind::Unfinished ? courses[*found].unfinished : courses[*found].ungraded);
    }
  }
  for (SpeedTally& tally : tallies) tally.Finish();
  return courses;
}

bool AccuracyMeasured(const TypingRunRecord& run) {
  return KeysCounted(run) || run.course == kSkillTestCourse;
}

QString AccuracyShown(std::optional<double> accuracy) {
  return accuracy ? QString::number(*accuracy * 100.0, 'f', 1) + QLatin1Char('%') : NotMeasuredMark();
}

QString KeysPerMinuteShown(std::optional<double> keysPerMinute) {
  return keysPerMinute ? QString::number(*keysPerMinute, 'f', 0) : NotMeasuredMark();
}

double CertificateSpeed(const TypingRunRecord& run) {
  if (run.seconds < kLadderMinimumSeconds) return 0;
  return std::max(0.0, (run.characters - run.refused) * 60.0 / run.seconds);
}

LadderStanding SpeedLadder(const QList<TypingRunRecord>& runs) {
  LadderStanding s;
  for (const TypingRunRecord& run : runs) {
    if (!run.graded() || run.course == kSkillTestCourse) continue;
    const double speed = CertificateSpeed(run);
    if (speed > s.perMinute) {
      s.perMinute = speed;
      s.course = run.course;
      s.at = run.at;
    }
  }
  for (int step : kLadderSteps) {
    if (s.perMinute >= step) {
      s.step = step;
    } else {
      s.nextStep = step;
      break;
    }
  }
  return s;
}

QString PracticeLadderLine(const LadderStanding& standing, const ZINIconf* settings) {
  if (standing.course < 0) return QStringLiteral("練習の段位：1分以上の練習がまだありません。");
  QString line = standing.step > 0 ? QStringLiteral("練習の段位：%1 字／分の段").arg(standing.step)
                                   : QStringLiteral("練習の段位：最初の段の手前");
  line += QStringLiteral("（最高 %1 字／分：文字数からミスを引いて1分あたりにした数。%2、%3）。")
              .arg(QString::number(standing.perMinute, 'f', 1), CourseLabel(standing.course, settings),
                   QDateTime::fromMSecsSinceEpoch(standing.at).toString(QStringLiteral("yyyy/MM/dd")));
  if (standing.nextStep > 0) line += QStringLiteral("次は %1 字／分です。").arg(standing.nextStep);
  return line;
}

QString MouseGameLabel(MouseGame game) {
  switch (game) {
    case MouseGame::Maze:
      return QStringLiteral("迷路");
    case MouseGame::Click:
      return QStringLiteral("クリック");
    case MouseGame::Drag:
      return QStringLiteral("ドラッグ");
    case MouseGame::Puzzle:
      return QStringLiteral("パズル");
  }
  return {};
}

QList<MouseProgress> SummarizeMouse(const QList<MouseRecord>& records) {
  QList<MouseProgress> games;
  QList<QMap<int, QPair<int, qint64>>> stages;  // stage -> plays, misses
  QList<QDate> lastDay;
  for (MouseGame g : {MouseGame::Maze, MouseGame::Click, MouseGame::Drag, MouseGame::Puzzle}) {
    games.append(MouseProgress{g, {}, {}, 0, 0});
  }
  stages.resize(games.size());
  lastDay.resize(games.size());
  LocalDays days;
  for (const MouseRecord& r : records) {
    const int i = static_cast<int>(r.game) - 1;
    if (i < 0 || i >= games.size()) continue;
    MouseProgress& g = games[i];
    const QDate date = days.DayOf(r.at);
    if (g.stageByDay.isEmpty() || lastDay[i] != date) {
      g.stageByDay.append({r.at, r.stage});
      lastDay[i] = date;
    } else {
      g.stageByDay.last().second = std::max(g.stageByDay.last().second, r.stage);
    }
    g.bestStage = std::max(g.bestStage, r.stage);
    ++g.plays;
    auto& s = stages[i][r.stage];
    ++s.first;
    s.second += r.misses;
  }
  for (int i = 0; i < games.size(); ++i) {
    for (auto it = stages[i].cbegin(); it != stages[i].cend(); ++it) {
      games[i].byStage.append(StageMisses{it.key(), it->first, double(it->second) / it->first});
    }
  }
  return games;
}

QList<int> KeyMisses(const KeyboardLayout& keyboard, const QList<QPair<QString, int>>& counts) {
  QHash<QString, int> merged;
  for (const auto& [key, n] : counts) {
    if (n > 0) merged[key.toLower()] += n;
  }
  QList<int> misses;
  for (const KeyCap& k : keyboard.keys()) {
    int n = 0;
    if (IsCharacterKey(k)) {
      for (const QString& name : MissNames(k)) n += merged.value(name);
    }
    misses.append(n);
  }
  return misses;
}

}  // namespace shurencho
