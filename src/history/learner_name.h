#pragma once
// A learner's name as this program keeps it, wherever it comes from (the
// login, the 成績 window, an older history file): one line of at most
// kMaxLearnerName characters. The class server indexes the name, and a name
// past its index's limit would stop that machine's sync for good.

#include <QString>

namespace shurencho {

inline constexpr int kMaxLearnerName = 64;  // characters (code points), as the server counts them

// Control characters taken out, the ends trimmed, cut to kMaxLearnerName
// characters (never inside a surrogate pair). May be empty.
QString CleanLearnerName(const QString& name);

// A school year's name as stored ("小3"): one short line; empty is none.
QString CleanLearnerYear(const QString& year);

// Where a learner sits in a school: the class ("5-2", 学年-組) and the
// number in it (出席番号). Empty and 0 when not set.
struct LearnerClass {
  QString code;
  int number = 0;
  bool operator==(const LearnerClass&) const = default;
};
inline constexpr int kMaxClassCode = 16;
inline constexpr int kMaxClassNumber = 99;

// A class code is digits in groups joined by single hyphens ("5-2"), at most
// kMaxClassCode characters; the empty code is "none".
bool IsClassCode(const QString& code);
// The place as stored: a code that is not one becomes none, and so does a
// number out of 1-99. Each is kept alone: a class may be set before the number.
LearnerClass CleanLearnerClass(const LearnerClass& place);

}  // namespace shurencho
