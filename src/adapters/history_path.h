#pragma once
// Where the learning history lives, known to the program without loading
// the history module.

#include <QString>

namespace shurencho {

// $XDG_DATA_HOME/shurencho/history.sqlite (~/.local/share when unset).
QString DefaultHistoryPath();

}  // namespace shurencho
