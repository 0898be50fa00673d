#pragma once
// Where the learning history lives, known to the program without loading
// the history module.

#include <QString>

namespace shurencho {

// $XDG_DATA_HOME/shurencho/history.sqlite (~/.local/share when unset).
QString DefaultHistoryPath();

// What can be told of the history file without SQLite, so that start-up
// can say the history is off while the database code loads only when the
// history is first used: its folder can be made, the file (when there is
// one) is a regular file this user may read and write, in a folder it may
// write (the journal lives beside it), and its header is an SQLite file's
// of a schema this program knows. False, with the reason as the store
// gives it; a file marked by another program sets *foreign as well.
bool CheckHistoryFile(const QString& path, QString* error = nullptr, bool* foreign = nullptr);

// What the learner is told when the history file cannot be used: the same
// words from the check above and from the store that opens the file.
namespace history_reason {

QString Damaged();
QString ReadOnly();
QString CannotOpen();
QString Newer();
QString Foreign();

}  // namespace history_reason

}  // namespace shurencho
