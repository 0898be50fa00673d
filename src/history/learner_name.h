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

}  // namespace shurencho
