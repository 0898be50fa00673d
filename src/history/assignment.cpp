#include "history/assignment.h"

#include <algorithm>

namespace shurencho {

bool HistoryStore::Assignments(HistoryTime, QList<AssignmentProgress>* out, QString*) {
  out->clear();
  return true;
}

AssignmentProgress ProgressOf(const Assignment& assignment, const QList<TypingRunRecord>& runs) {
  AssignmentProgress p{assignment, 0, 0};
  QList<HistoryTime> ends;
  for (const TypingRunRecord& run : runs) {
    if (run.at < assignment.setMs) continue;
    if (assignment.isTest()) {
      // A passage is named by the first word of its title ("小3 朝がおのかんさつ").
      if (run.course == kSkillTestCourse && RunKindOf(run.grade) != RunKind::Unfinished &&
          run.textName.section(QLatin1Char(' '), 0, 0) == assignment.passage)
        ends << run.at;
    } else if (run.course == assignment.course && run.graded()) {
      ends << run.at;
    }
  }
  std::sort(ends.begin(), ends.end());
  const int needed = assignment.needed();
  p.done = static_cast<int>(std::min<qsizetype>(ends.size(), needed));
  if (ends.size() >= needed) p.doneAt = ends[needed - 1];
  return p;
}

QString AssignmentLine(const QList<AssignmentProgress>& progress) {
  if (progress.isEmpty()) return {};
  for (const AssignmentProgress& p : progress) {
    if (p.finished()) continue;
    const Assignment& a = p.assignment;
    if (a.isTest()) return QStringLiteral("きょうの課題：実力テスト（%1）").arg(a.passage);
    return QStringLiteral("きょうの課題：コース%1 を %2回（%3回おわり）")
        .arg(a.course)
        .arg(a.passes)
        .arg(p.done);
  }
  return QStringLiteral("きょうの課題はおわりました");
}

}  // namespace shurencho
