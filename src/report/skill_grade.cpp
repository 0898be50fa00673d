#include "report/skill_grade.h"

namespace shurencho {

std::optional<TypingRunRecord> BestSkillTest(const QList<TypingRunRecord>& runs) {
  std::optional<TypingRunRecord> best;
  for (const TypingRunRecord& run : runs) {
    if (run.course != kSkillTestCourse || !run.graded()) continue;
    if (!best || run.charsPerMinute > best->charsPerMinute ||
        (run.charsPerMinute == best->charsPerMinute && run.at < best->at)) {
      best = run;
    }
  }
  return best;
}

QString SkillGradeLine(const std::optional<TypingRunRecord>& best) {
  if (!best) return QStringLiteral("実力テストの級：まだ 3 分間のテストを最後まで受けていません。");
  const int i = SkillGradeIndex(best->charsPerMinute);
  QString line = QStringLiteral("実力テストの級：%1（最高 %2 字／分）。")
                     .arg(SkillGradeText(best->charsPerMinute))
                     .arg(best->charsPerMinute);
  if (i + 1 < int(kSkillGradeSteps.size())) {
    const SkillGradeStep& next = kSkillGradeSteps[i + 1];
    line +=
        QStringLiteral("次の %1 は %2 字／分です。").arg(QString::fromUtf8(next.name)).arg(next.perMinute);
  }
  return line;
}

}  // namespace shurencho
