// Start-up: settings, then every data file in its fixed order, then the
// window. A data file that cannot be read ends start-up before any window
// appears, with a box that names the file.

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <memory>

#include "app/form1.h"
#include "app/main_window_view.h"
#include "data/practice_data.h"
#include "settings/settings.h"
#include "text/errors.h"
#include "ui/sdl_media_player.h"
#include "ui/qt_platform.h"
#include "ui/widget_style.h"
#include "ui/xdg_help_launcher.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("shurencho"));
  InstallFontSubstitutes();

  QtPlatform platform(CreateMediaPlayer(), std::make_unique<XdgHelpLauncher>());

  AppSettings settings;
  const QString settingsPath = SettingsFilePath(platform.ProgramPath());
  try {
    LoadSettings(settings, true, settingsPath);
  } catch (const SettingsError&) {
    platform.ShowWarning(QString::fromUtf8(kLoadFailedWarning));
  }

  std::unique_ptr<PracticeData> data;
  try {
    data = std::make_unique<PracticeData>(LoadPracticeData(settings));
  } catch (const DataFileError& e) {
    // Said on the terminal too, for whoever started the program from one.
    std::fprintf(stderr, "shurencho: %s\n", e.text().toLocal8Bit().constData());
    QMessageBox::critical(nullptr, settings.WindowCaption, e.text());
    return 1;
  }
  platform.Randomize();

  TForm1 form(settings, *data, platform, settingsPath);
  MainWindow window(form, platform);
  RunHandler(platform, [&] { form.FormCreate(); });
  RunHandler(platform, [&] { form.FormShow(); });
  window.RenderAll();
  window.show();
  return QApplication::exec();
}
