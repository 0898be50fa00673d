#pragma once
// The class server's notices for the teacher's live class view: a
// connection of its own LISTENs on the channel the server's triggers call
// when a learner's rows arrive. The connection lives on a thread of its own
// (the driver delivers notices to the thread that owns the connection), so
// the window never waits for the server; a lost server is tried again every
// few seconds until it answers.

#include <QString>
#include <functional>
#include <memory>

class QThread;

namespace shurencho {

class ClassListener final {
 public:
  enum class Event {
    Listening,  // connected and subscribed; what came before may have been missed
    Notified,   // rows of a learner arrived; detail: the server's learner number
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
  // A listener's thread left running at its end: the program must not tear
  // the database drivers down under it.
  static bool LeftRunning();

 private:
  class Runner;
  std::unique_ptr<QThread> m_thread;
  Runner* m_runner = nullptr;  // lives on m_thread
};

}  // namespace shurencho
