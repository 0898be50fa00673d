#pragma once
// Keeps the teacher's class view live during a lesson: the server's notices
// (a learner's pass arrived) make the view read the class again, at most
// once every two seconds, and a line under the table says whether the view
// is following the server or has lost it. The last columns of the view's
// table are this object's: where each learner is now, their passes and best
// 字／分 today, the sign that a learner is stuck, and how far each is with
// the class's assignment.

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "history_postgres/class_listener.h"

class QLabel;
class QTableWidget;
class QTimer;

namespace shurencho {

class ClassLive final : public QObject {
 public:
  static constexpr int kRereadGapMs = 2000;
  // A program not heard from for this long is taken as closed.
  static constexpr qint64 kSeenWithinMs = 2 * 60 * 1000;
  // An open program with no item ended for this long: the learner is stuck.
  static constexpr qint64 kIdleMs = 3 * 60 * 1000;

  // reread runs on this object's thread; line is the view's, shown below its table.
  ClassLive(const QString& serverText, QLabel* line, std::function<void()> reread, QObject* parent);
  ~ClassLive() override;

  // The view filled its table afresh, one row per learner (the server's
  // numbers): the live columns are added after its own.
  void ShowColumns(QTableWidget* table, const QList<qint64>& learners);
  // What is shown for a learner's day, in the live columns' order,
  // sinceReadMs after the figures were read.
  static QStringList Cells(const LearnerToday& today, qint64 sinceReadMs);

  // A listener thread left waiting for a server at the end.
  static bool LeftRunning();

 private:
  struct Inbox;
  void Told(ClassListener::Event event, const QString& detail);
  void ReadToday();
  void Render();

  QLabel* m_line;
  std::function<void()> m_reread;
  QTimer* m_gap = nullptr;
  QTimer* m_presenceGap = nullptr;  // presence changes read only the day's figures
  QTimer* m_clock = nullptr;        // the signs follow the time between reads
  bool m_lost = false;
  QTableWidget* m_table = nullptr;
  int m_firstColumn = 0;
  QList<qint64> m_learners;  // the table's rows
  ClassToday m_today;
  QElapsedTimer m_readAt;
  std::shared_ptr<Inbox> m_inbox;  // how the listener's thread reaches this object while it lives
  std::unique_ptr<ClassListener> m_listener;
};

}  // namespace shurencho
