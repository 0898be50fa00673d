#include "report/class_table.h"

#include <QHash>
#include <QSet>
#include <algorithm>

#include "report/skill_grade.h"

namespace shurencho {

namespace {

HistoryTime Newest(const LearnerHistory& h) {
  HistoryTime t = 0;
  for (const TypingRunRecord& r : h.runs) t = std::max(t, r.at);
  for (const MouseRecord& m : h.mouse) t = std::max(t, m.at);
  return t;
}

struct Gathered {
  LearnerHistory history;
  QSet<QString> seen;  // records already taken, by their identity
  HistoryTime weakFrom = -1;
  HistoryTime yearFrom = -1;
};

QString RunKey(const TypingRunRecord& r) {
  return QStringLiteral("t%1/%2/%3/%4").arg(r.at).arg(r.course).arg(r.characters).arg(r.keystrokes);
}
QString MouseKey(const MouseRecord& m) {
  return QStringLiteral("m%1/%2/%3").arg(m.at).arg(static_cast<int>(m.game)).arg(m.stage);
}

}  // namespace

namespace {

// One learner's file added to what other files gave: each record once, the
// weak units of the newest file.
void Gather(Gathered& g, const LearnerHistory& h) {
  g.history.learner = h.learner;
  g.history.machine = h.machine;
  for (const TypingRunRecord& r : h.runs) {
    if (!g.seen.contains(RunKey(r))) {
      g.seen.insert(RunKey(r));
      g.history.runs.append(r);
    }
  }
  for (const MouseRecord& m : h.mouse) {
    if (!g.seen.contains(MouseKey(m))) {
      g.seen.insert(MouseKey(m));
      g.history.mouse.append(m);
    }
  }
  const HistoryTime newest = Newest(h);
  // The year the newest file gives; of two as new, the one that gives one.
  if (newest > g.yearFrom || (newest == g.yearFrom && !h.schoolYear.isEmpty())) {
    g.yearFrom = newest;
    g.history.schoolYear = h.schoolYear;
  }
  if (!h.weakest.isEmpty() && newest >= g.weakFrom) {
    g.weakFrom = newest;
    g.history.weakest = h.weakest;
  }
}

ClassRow RowOf(LearnerHistory& h, const QList<int>& everyCourse) {
  std::stable_sort(h.runs.begin(), h.runs.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
  std::stable_sort(h.mouse.begin(), h.mouse.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
  ClassRow row;
  row.learner = h.learner;
  row.machine = h.machine;
  row.schoolYear = h.schoolYear;
  row.courses = SummarizeSpeeds(h.runs, everyCourse);
  row.mouse = SummarizeMouse(h.mouse);
  row.weakest = h.weakest;
  row.latestAt = Newest(h);
  for (const TypingRunRecord& r : h.runs) {
    if (!r.graded()) continue;
    ++row.runs;
    if (AccuracyMeasured(r)) row.accuracy.Add(r.accuracy);
  }
  if (const auto best = BestSkillTest(h.runs)) row.bestTest = best->charsPerMinute;
  return row;
}

}  // namespace

QList<ClassRow> MergeClassTable(const QList<QList<LearnerHistory>>& files) {
  QHash<QPair<QString, QString>, Gathered> learners;  // by name and machine
  for (const QList<LearnerHistory>& file : files) {
    for (const LearnerHistory& h : file) Gather(learners[{h.learner, h.machine}], h);
  }
  const QList<int> everyCourse = OccasionalCourses();
  QList<ClassRow> rows;
  for (auto it = learners.begin(); it != learners.end(); ++it) rows.append(RowOf(it->history, everyCourse));
  std::sort(rows.begin(), rows.end(), [](const ClassRow& a, const ClassRow& b) {
    const int order = QString::localeAwareCompare(a.learner, b.learner);
    if (order != 0) return order < 0;
    return a.learner != b.learner ? a.learner < b.learner : a.machine < b.machine;
  });
  DropUnusedCourses(rows);
  return rows;
}

void DropUnusedCourses(QList<ClassRow>& rows) {
  for (int course : OccasionalCourses()) {
    const bool used = std::any_of(rows.cbegin(), rows.cend(), [course](const ClassRow& r) {
      return std::any_of(r.courses.cbegin(), r.courses.cend(),
                         [course](const CourseSpeeds& c) { return c.course == course && c.runs > 0; });
    });
    if (used) continue;
    for (ClassRow& r : rows)
      r.courses.removeIf([course](const CourseSpeeds& c) { return c.course == course; });
  }
}

QList<int> ClassCourses(const QList<ClassRow>& rows) {
  QList<int> courses;
  if (rows.isEmpty()) return ShownCourses();
  for (const CourseSpeeds& c : rows.first().courses) courses.append(c.course);
  return courses;
}

QString ClassAccuracyText(const ClassRow& row) {
  return row.runs == 0 ? QStringLiteral("－") : AccuracyShown(row.accuracy.Value());
}

QString ClassGradeText(const ClassRow& row) {
  return row.bestTest < 0 ? QStringLiteral("－") : SkillGradeText(row.bestTest);
}

bool ClassHasYears(const QList<ClassRow>& rows) {
  return std::any_of(rows.cbegin(), rows.cend(), [](const ClassRow& r) { return !r.schoolYear.isEmpty(); });
}

}  // namespace shurencho
