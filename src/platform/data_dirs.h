#pragma once
// Where the program finds a file that the settings name by a bare name: the
// working folder first, then the installed data folder. An installed copy
// keeps its data in <prefix>/share/shurencho, found from the program's own
// location (bin/ beside share/), then in each folder of $XDG_DATA_DIRS, so
// it starts from any folder, not only from its desktop entry's.

#include <QString>
#include <QStringList>

namespace shurencho {

// The installed data folders that exist, best first.
QStringList InstalledDataDirs(const QString& programPath);

// The path of name in the first installed data folder that holds it, or
// empty when none does.
QString FindInstalled(const QString& name, const QString& programPath);

// A name with a folder part is returned as it is. A bare name is returned as
// it is when the working folder holds it (or nothing else does), else as the
// path of the first installed data folder that holds it.
QString FindDataFile(const QString& name, const QString& programPath);

// The folder of the shipped practice texts: beside the program when it runs
// from its build folder, else in the installed data folder; empty when
// neither has one.
QString PracticeTextFolder(const QString& programPath);

}  // namespace shurencho
