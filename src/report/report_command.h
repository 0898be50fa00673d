#pragma once
// `shurencho --report OUT.html FILE.csv...`: the class table from the records
// files a teacher collected, made without opening a window.

#include <QString>
#include <QStringList>

namespace shurencho {

// Whether the command line asks for the class table.
bool IsReportCommand(int argc, char** argv);
// Whether it asks for the class server's table (`--class-report`) or the
// class window (`--class`), both run by the history module.
bool IsClassReportCommand(int argc, char** argv);
bool IsClassWindowCommand(int argc, char** argv);
// Runs the command; messages go to stderr. Returns the exit code.
int RunReportCommand(int argc, char** argv);

// Reads every input, then writes the class table to out in one piece.
// Refuses a file that is not a records file (naming the file and line) and
// an out that is one of the inputs (by any name), writing nothing then.
bool WriteClassReport(const QString& out, const QStringList& inputs, QString* error);

}  // namespace shurencho
