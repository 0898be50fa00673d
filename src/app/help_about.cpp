#include "app/help_about.h"

#include <QFileInfo>
#include <QStringList>

#include "platform/data_dirs.h"

namespace shurencho {

QString HelpDocumentPath(const AppSettings& settings, const QString& programPath) {
  QString help = settings.HelpFile;
  help.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (help.contains(QLatin1Char('/'))) return help;
  const QString besideProgram = QFileInfo(programPath).absolutePath() + QLatin1Char('/') + help;
  if (QFileInfo::exists(besideProgram)) return besideProgram;
  // An installed copy keeps its help document with its data.
  const QString installed = FindInstalled(help, programPath);
  return installed.isEmpty() ? besideProgram : installed;
}

void OpenHelpDocument(const AppSettings& settings, Platform& platform) {
  QString document = HelpDocumentPath(settings, platform.ProgramPath());
  if (!QFileInfo(document).isFile()) return;
  HelpLauncher& launcher = platform.Help();
  const QString opener = launcher.FindOpener(document);
  if (opener.isEmpty()) return;
  // A relative name beginning with "-" would read as an option to the opener.
  if (document.startsWith(QLatin1Char('-'))) document.prepend(QStringLiteral("./"));

  const bool netscape = QFileInfo(opener).fileName().toLower() == QLatin1String("netscape.exe");
  QStringList args;
  if (netscape) args << QStringLiteral("-h");
  args << document;
  const int error = launcher.Start(opener, args);
  if (error != 0) {
    const QString commandLine = opener + (netscape ? QStringLiteral(" -h ") : QStringLiteral(" ")) + document;
    platform.ShowInformation(QStringLiteral("Exec Error ") + QString::number(error) + QStringLiteral("\r\n") +
                             commandLine);
  }
}

void ShowAbout(const AppSettings& settings, Platform& platform) {
  platform.ShowInformation(settings.WindowCaption + QStringLiteral("\r\n\r\n") +
                           QString::fromUtf8(kAboutNotice));
}

}  // namespace shurencho
