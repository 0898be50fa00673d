// The 成績 window as a module of its own: Qt Charts and the OpenGL libraries
// behind it are loaded when the window is first opened, not at start-up.
#include "adapters/records_module.h"

#include <QtGlobal>

#include "records_module/records_view.h"

namespace {

using namespace shurencho;

QWidget* CreateOf(const LearnerHistory& history, const QString& readError, const QString& state,
                  const RecordsView::Renamer& rename, const RecordsView::YearSetter& setYear,
                  const RecordsView::ClassSetter& setClass, const AppSettings& settings,
                  const KeyboardLayout& keyboard, QWidget* parent) {
  return new RecordsView(history, readError, state, rename, setYear, setClass, settings, keyboard, parent);
}

QWidget* CreateForStore(HistoryStore& store, const AppSettings& settings, const KeyboardLayout& keyboard,
                        QWidget* parent) {
  return new RecordsView(store, settings, keyboard, parent);
}

const RecordsModule kModule{
    .header = ModuleHeaderOf<RecordsModule>(),
    .createOf = &CreateOf,
    .createForStore = &CreateForStore,
};

}  // namespace

extern "C" Q_DECL_EXPORT const shurencho::RecordsModule* shurencho_records_module_table() { return &kModule; }
