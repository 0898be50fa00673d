#pragma once
// What the command line asks for: the practice window, a teacher's command
// (`--report`, `--class-report`, `--class-archive`, `--class`) with its operands, `--help` or
// `--version`, or an option of ours that does not exist. The toolkit's own
// options take one dash (-platform, -style) and are left to it. Read with
// QCommandLineParser, which needs neither a display nor an application.

#include <QString>
#include <QStringList>

namespace shurencho {

struct CommandLine {
  enum class Kind {
    Window,
    Help,
    Version,
    Unknown,
    Report,
    ClassReport,
    ClassArchive,
    ClassWindow,
    ClassRoster,
    ClassAssign
  };
  Kind kind = Kind::Window;
  QStringList operands;  // a teacher command's, after its name
  QString unknown;       // the option that does not exist
};

// args as the program got them, its own name first.
CommandLine ParseCommandLine(const QStringList& args);

// The usage `--help` prints.
QString UsageText();

// Answers `--help`, `--version` and an unknown option on stdout or stderr:
// the exit status, or -1 when the command line is for something else.
int RunInfoCommand(const CommandLine& line);

}  // namespace shurencho
