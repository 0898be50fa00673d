#pragma once
// The table of functions the 成績 module exports.

#include "adapters/module_loader.h"
#include "data/keyboard_layout.h"
#include "report/records_page.h"
#include "settings/settings.h"

class QWidget;

namespace shurencho {

struct RecordsModule {
  static constexpr const char* kName = "shurencho_records";
  static constexpr const char* kEntry = "shurencho_records_module_table";
  // Raised whenever a function below changes or moves.
  static constexpr std::uint32_t kAbiVersion = 5;

  ModuleHeader header;
  // The window on what was read (see RecordsView's constructors in records_module/).
  QWidget* (*createOf)(const LearnerHistory& history, const QString& readError, const QString& state,
                       const RecordsPage::Renamer& rename, const RecordsPage::YearSetter& setYear,
                       const RecordsPage::ClassSetter& setClass, const AppSettings& settings,
                       const KeyboardLayout& keyboard, QWidget* parent);
  // The window reading `store` now, on this thread.
  QWidget* (*createForStore)(HistoryStore& store, const AppSettings& settings, const KeyboardLayout& keyboard,
                             QWidget* parent);
};

}  // namespace shurencho
