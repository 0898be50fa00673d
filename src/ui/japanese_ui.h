#pragma once

namespace shurencho {

// The program speaks only Japanese, so the toolkit's own dialogs must too,
// whatever the desktop's language: file dialogs and message-box buttons.

// Loads Qt's Japanese translations and makes Japanese the default locale.
// Returns false when the translations are not installed (the dialogs then
// keep the toolkit's English).
bool InstallJapaneseUi();

}  // namespace shurencho
