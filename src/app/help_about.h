#pragma once
// The help command and the about box.

#include "platform/platform.h"
#include "settings/settings.h"

// Opens the help document in the desktop's program for its type.
void OpenHelpDocument(const AppSettings& settings, Platform& platform);
// The about box: the window caption, a blank line and our notice.
void ShowAbout(const AppSettings& settings, Platform& platform);
