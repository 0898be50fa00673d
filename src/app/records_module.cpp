// The 成績 window as a module of its own: Qt Charts and the OpenGL libraries
// behind it are loaded when the window is first opened, not at start-up.
#include <QtGlobal>

#include "app/records_view.h"

extern "C" Q_DECL_EXPORT QWidget* shurencho_create_records_view(shurencho::HistoryStore& store,
                                                                const shurencho::AppSettings& settings,
                                                                QWidget* parent) {
  return new shurencho::RecordsView(store, settings, parent);
}

extern "C" Q_DECL_EXPORT QWidget* shurencho_create_records_view_of(
    const shurencho::LearnerHistory& history, const QString& readError, const QString& state,
    const shurencho::RecordsView::Renamer& rename, const shurencho::AppSettings& settings, QWidget* parent) {
  return new shurencho::RecordsView(history, readError, state, rename, settings, parent);
}
