#include "history/learner_name.h"

#include <algorithm>

namespace shurencho {

QString CleanLearnerName(const QString& name) {
  QString kept;
  kept.reserve(std::min<qsizetype>(name.size(), 2 * kMaxLearnerName));
  int characters = 0;
  for (qsizetype i = 0; i < name.size() && characters < kMaxLearnerName; ++i) {
    const QChar c = name.at(i);
    if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
      kept.append(c).append(name.at(++i));
    } else if (c.category() == QChar::Other_Control) {
      continue;
    } else {
      if (kept.isEmpty() && c.isSpace()) continue;  // leading blanks do not count towards the limit
      kept.append(c);
    }
    ++characters;
  }
  return kept.trimmed();
}

QString CleanLearnerYear(const QString& year) {
  // The names are two or three characters; anything longer is no year's.
  constexpr int kMaxYear = 8;
  const QString kept = CleanLearnerName(year);
  return kept.size() > kMaxYear ? QString() : kept;
}

bool IsClassCode(const QString& code) {
  if (code.isEmpty() || code.size() > kMaxClassCode) return false;
  bool digitBefore = false;
  for (const QChar c : code) {
    if (c == QLatin1Char('-')) {
      if (!digitBefore) return false;
      digitBefore = false;
    } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
      digitBefore = true;
    } else {
      return false;
    }
  }
  return digitBefore;
}

LearnerClass CleanLearnerClass(const LearnerClass& place) {
  LearnerClass kept;
  if (IsClassCode(place.code)) kept.code = place.code;
  if (place.number >= 1 && place.number <= kMaxClassNumber) kept.number = place.number;
  return kept;
}

}  // namespace shurencho
