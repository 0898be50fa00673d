#pragma once
// The practice data loaded from the shipped files in the source tree.

#include "data/practice_data.h"
#include "settings/settings.h"

namespace shurencho {

// Default settings whose data file names point into the source tree's assets.
AppSettings SettingsForShippedData();
// The shipped keyboard layouts in the source tree.
KeyboardFiles ShippedKeyboardFiles();
// The shipped data, loaded once per test binary.
const PracticeData& ShippedPracticeData();

}  // namespace shurencho
