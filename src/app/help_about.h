#pragma once
// The help command and the about box.

#include <QString>

#include "platform/platform.h"
#include "settings/settings.h"

namespace shurencho {

// The help document's path: HelpFile as given when it names a folder (a
// backslash counts as a folder separator, as in settings files carried over
// from elsewhere), else HelpFile in the program's folder, or in the
// installed data folder when the program's folder lacks it.
QString HelpDocumentPath(const AppSettings& settings, const QString& programPath);
// Opens the help document in the desktop's program for its type. Nothing
// happens when the document or the program is missing; a program that does
// not start is reported in an information box.
void OpenHelpDocument(const AppSettings& settings, Platform& platform);
// The about box: the window caption, a blank line and our notice.
void ShowAbout(const AppSettings& settings, Platform& platform);

inline constexpr char kAboutNotice[] = "マウスとキーボードの練習ソフトです。使い方は F1 キーで。";

}  // namespace shurencho
