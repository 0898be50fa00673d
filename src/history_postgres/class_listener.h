#pragma once
// The class server's notices for the teacher's live class view: a
// connection of its own LISTENs on the channel the server's triggers call
// when a learner's rows arrive. The connection lives on a thread of its own
// (the driver delivers notices to the thread that owns the connection), so
// the window never waits for the server; a lost server is tried again every
// few seconds until it answers.

#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "history/history_records.h"

class QThread;

namespace shurencho {

// A learner's lesson so far, for the class view's live columns.
struct LearnerToday {
  int passes = 0;      // passes ended since the day began, graded or not
  int bestSpeed = -1;  // the best graded 字／分 among them; -1 when none was graded
  QString stuckKana;   // the kana refused most in the last pass, when refused kStuckMisses times or more
  int stuckMisses = 0;
  // Where the learner's program is, as it last said; ages at the read.
  QString page;           // empty: never said
  qint64 seenAgeMs = -1;  // since it last said so
  qint64 itemAgeMs = -1;  // since an item last ended there; -1: none
  // How far the learner is with their class's latest assignment; none when
  // the class has none.
  std::optional<AssignmentProgress> assignment;
};
// By the server's learner number; a learner with no pass today and no
// assignment is absent.
using ClassToday = QHash<qint64, LearnerToday>;

class ClassListener final {
 public:
  // A kana refused this often in one pass: the learner is stuck on it.
  static constexpr int kStuckMisses = 5;

  enum class Event {
    Listening,  // connected and subscribed; what came before may have been missed
    Notified,   // rows of a learner arrived; detail: the server's learner number
    Present,    // a learner's program changed page or course, or ended an item; detail: as above
    Lost,       // no connection; detail: why. Tried again after retryMs.
  };
  // Called on the listener's thread.
  using Told = std::function<void(Event event, const QString& detail)>;

  static constexpr const char* kChannel = "shurencho_class";

  ClassListener(QString serverText, Told told, int retryMs = 5000);
  // Stops and waits a moment; a thread still making a connection is left
  // to end on its own.
  ~ClassListener();
  ClassListener(const ClassListener&) = delete;
  ClassListener& operator=(const ClassListener&) = delete;

  void Start();
  using TodayDone = std::function<void(bool ok, const ClassToday& today, const QString& error)>;
  // Reads every learner's passes since sinceMs on the listener's connection
  // (not at all while it has none); done runs on the listener's thread.
  void ReadToday(qint64 sinceMs, TodayDone done);
  // A listener's thread left running at its end: the program must not tear
  // the database drivers down under it.
  static bool LeftRunning();

 private:
  class Runner;
  std::unique_ptr<QThread> m_thread;
  Runner* m_runner = nullptr;  // lives on m_thread
};

}  // namespace shurencho
