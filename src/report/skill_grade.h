#pragma once
// The 級 of a learner's records: the best finished three-minute test and
// the line 成績 and the certificate say of it. The ladder itself is
// measure/skill_grade.h.

#include <QList>
#include <QString>
#include <optional>

#include "history/history_records.h"
#include "measure/skill_grade.h"

namespace shurencho {

// The best finished test (the highest 字／分, the earliest of equals);
// tests left early never count.
std::optional<TypingRunRecord> BestSkillTest(const QList<TypingRunRecord>& runs);

// "9級（15 字／分から）。次の 8級 は 20 字／分です。" and the like, for the best test.
QString SkillGradeLine(const std::optional<TypingRunRecord>& best);

}  // namespace shurencho
