#pragma once
// The teacher's class view (`shurencho --class`): one row per learner of the
// class server with the latest and best 字／分 of each course against its
// grade bands, the accuracy, the weakest kana, the mouse stages and the
// last day of practice. A click on a row opens that learner's 成績 window,
// reading the server. Read-only rights on the server are enough.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "history_postgres/postgres_history_store.h"
#include "settings/settings.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace shurencho {

struct KeyboardLayouts;
class ClassLive;

class ClassView final : public QWidget {
 public:
  ClassView(QString serverText, const AppSettings& settings, QWidget* parent = nullptr);
  ~ClassView() override;

  // Reads the class again on a thread of its own, the wait shown; the table
  // is filled when the answer comes, or the reason shown.
  void Reload();
  // Opens the 成績 window of the learner in row `row`.
  void OpenLearner(int row);
  // 「課題を出す…」: asks the class, what and until when, and stores it on a
  // thread of its own; the class's machines read it at their next sync.
  void SetAssignment();
  // Stores one as the button's form would (tests): the answer is said in the status line.
  void StoreAssignment(const QString& classCode, const Assignment& assignment);

  const ClassOnServer& shown() const { return m_class; }
  bool reading() const { return m_reading; }

  // Reads still waiting for a server, in any view; the program must not
  // tear down the database drivers under them.
  static bool ReadsRunning();
  // Waits for the reads that have answered to end their threads.
  static void JoinReads();

 private:
  struct Inbox;
  // What a thread's work leaves to do on this view's thread, given the
  // thread's number.
  using Answer = std::function<void(ClassView&, int)>;
  // Runs `work` on a thread of its own (joined when its answer arrives, or
  // by JoinReads); its answer runs here while this view lives. Returns the
  // thread's number.
  int OffThread(std::function<Answer()> work);
  void Answered(int reading, bool ok, const ClassOnServer& read, const QString& error);

  QString m_server;
  const AppSettings& m_settings;
  ClassOnServer m_class;
  QTableWidget* m_table = nullptr;
  QLabel* m_status = nullptr;
  QPushButton* m_reload = nullptr;
  QPushButton* m_assign = nullptr;
  QTimer* m_giveUp = nullptr;
  std::shared_ptr<Inbox> m_inbox;  // how a reading thread reaches this view while it lives
  int m_reader = 0;                // the read whose answer is awaited; any other is dropped
  bool m_reading = false;
  ClassLive* m_live = nullptr;  // the live columns and line; a child
  QPointer<QWidget> m_records;
  std::unique_ptr<HistoryStore> m_recordsStore;  // read by m_records
  std::unique_ptr<KeyboardLayouts> m_keyboards;  // read at the first learner opened
};

}  // namespace shurencho
