#pragma once
// `shurencho --class-report OUT.html [--year N] [SERVER]`: the class table
// read from the class server (the archived school year N), written without a
// window; `shurencho --class-archive CLASS [--year N] [SERVER]`: a class's
// rows of school year N (this one unless given) moved to the server's
// archive. The server is the one the settings name ([History] Server, the
// system-wide file first) unless given.

#include <QString>

class QDate;

namespace shurencho {

struct ZINIconf;

// Needs a QCoreApplication; messages go to stderr. Returns the exit code.
int RunClassReportCommand(int argc, char** argv);
int RunClassArchiveCommand(int argc, char** argv);

// The school year a day is in: from April to the next March.
int SchoolYearOf(const QDate& date);

// `shurencho --class-roster 5-2.csv [SERVER]`: the class's list put on the
// server in place of the one it had; a list with a bad line stores nothing.
int RunClassRosterCommand(int argc, char** argv);

// `shurencho --class-assign 5-2 コース2 3 [--until 2026-12-20] [SERVER]`,
// `… テスト 小3 …`: sets the class's assignment; with the class alone, lists
// its assignments.
int RunClassAssignCommand(int argc, char** argv);

// The settings as the program would read them at start-up, the file left as
// it is; the server named on the command line (argument `at`) wins.
QString ClassServerText(const ZINIconf& settings, int argc, char** argv, int at);
// Reads the settings for a teacher's command (no file is written).
void LoadTeacherSettings(ZINIconf& settings, const QString& programPath);

// Reads the class (the archived year, when given) and writes the page in one
// piece: 0, or the exit code with the reason (2 when the server could not be read). The class is read on a
// thread of its own; when the server does not answer within some seconds,
// the reason is printed and the process ends at once with status 2.
int WriteServerClassReport(const QString& out, const QString& serverText, const ZINIconf& settings,
                           QString* error, int archivedYear = 0);

}  // namespace shurencho
