#pragma once
// `shurencho --class-report OUT.html [SERVER]`: the class table read from the
// class server, written without a window. The server is the one the
// settings name ([History] Server, the system-wide file first) unless given.

#include <QString>

namespace shurencho {

struct ZINIconf;

// Needs a QCoreApplication; messages go to stderr. Returns the exit code.
int RunClassReportCommand(int argc, char** argv);
// `shurencho --class-roster 5-2.csv [SERVER]`: the class's list put on the
// server in place of the one it had; a list with a bad line stores nothing.
int RunClassRosterCommand(int argc, char** argv);

// The settings as the program would read them at start-up, the file left as
// it is; the server named on the command line (argument `at`) wins.
QString ClassServerText(const ZINIconf& settings, int argc, char** argv, int at);
// Reads the settings for a teacher's command (no file is written).
void LoadTeacherSettings(ZINIconf& settings, const QString& programPath);

// Reads the class and writes the page in one piece: 0, or the exit code with
// the reason (2 when the server could not be read). The class is read on a
// thread of its own; when the server does not answer within some seconds,
// the reason is printed and the process ends at once with status 2.
int WriteServerClassReport(const QString& out, const QString& serverText, const ZINIconf& settings,
                           QString* error);

}  // namespace shurencho
