#pragma once
// What the learner is told when the history file cannot be used: the same
// words from the file's check before SQLite opens it and from the store
// that opens the file.

#include <QString>

namespace shurencho::history_reason {

QString Damaged();
QString ReadOnly();
QString CannotOpen();
QString Newer();
QString Foreign();

}  // namespace shurencho::history_reason
