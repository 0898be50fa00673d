#include "app/help_about.h"

void OpenHelpDocument(const AppSettings&, Platform&) {}

void ShowAbout(const AppSettings& settings, Platform& platform) {
  platform.ShowInformation(settings.WindowCaption + QStringLiteral("\r\n\r\n"));
}
