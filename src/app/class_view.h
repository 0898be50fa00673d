#pragma once
// The teacher's class view (`shurencho --class`): one row per learner of the
// class server with the latest and best 字／分 of each course against its
// grade bands, the accuracy, the weakest kana, the mouse stages and the
// last day of practice. A click on a row opens that learner's 成績 window,
// reading the server. Read-only rights on the server are enough.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "adapters/postgres_history_store.h"
#include "settings/settings.h"

class QLabel;
class QTableWidget;

namespace shurencho {

class ClassView final : public QWidget {
 public:
  ClassView(QString serverText, const AppSettings& settings, QWidget* parent = nullptr);
  ~ClassView() override;

  // Reads the class again; false (and the reason shown) when the server fails.
  bool Reload();
  // Opens the 成績 window of the learner in row `row`.
  void OpenLearner(int row);

  const ClassOnServer& shown() const { return m_class; }

 private:
  QString m_server;
  const AppSettings& m_settings;
  ClassOnServer m_class;
  QTableWidget* m_table = nullptr;
  QLabel* m_status = nullptr;
  QPointer<QWidget> m_records;
  std::unique_ptr<HistoryStore> m_recordsStore;  // read by m_records
};

}  // namespace shurencho
