#pragma once

namespace shurencho {

// The program speaks only Japanese, so the toolkit's own dialogs must too,
// whatever the desktop's language: file dialogs and message-box buttons.

// Makes Japanese the default locale and keeps the desktop's own dialogs,
// which would follow the desktop's language, out.
void UseJapaneseLocale();

// Installs Qt's Japanese translations, read when the toolkit first asks for
// one of its texts. Returns false when they are not installed (the dialogs
// then keep the toolkit's English). Installing again does nothing.
bool InstallToolkitJapanese();

}  // namespace shurencho
