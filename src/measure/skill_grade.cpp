#include "measure/skill_grade.h"

namespace shurencho {

int SkillGradeIndex(int perMinute) {
  int reached = -1;
  for (int i = 0; i < int(kSkillGradeSteps.size()); ++i) {
    if (perMinute >= kSkillGradeSteps[i].perMinute) reached = i;
  }
  return reached;
}

QString SkillGradeText(int perMinute) {
  const int i = SkillGradeIndex(perMinute);
  return i < 0 ? BelowGradesMark() : QString::fromUtf8(kSkillGradeSteps[i].name);
}

}  // namespace shurencho
