#pragma once
// A small window beside the main one that tells what the learning history
// could not do. It never takes the keyboard from the practice: it shows
// without being activated and accepts no focus; a button closes it.

#include <QPointer>
#include <QWidget>

#include "history/history_service.h"

class QLabel;

namespace shurencho {

// What the learner is told of the history's state (the file, the reason,
// the records waiting); empty when all is well.
QString HistoryStateText(const HistoryStatus& status);

class HistoryNoticeView final : public QWidget {
 public:
  explicit HistoryNoticeView(QWidget* mainWindow);
  // Shows the text below the main window (above it when the screen ends),
  // leaving the keyboard where it is.
  void Tell(const QString& text);
  // Placed again where Tell puts it: under the main window, or under the
  // neighbour (the keyboard guide) while that is shown there.
  void Place();
  void SetNeighbour(QWidget* neighbour) { m_neighbour = neighbour; }
  QString text() const;

 private:
  QWidget* m_main;
  QPointer<QWidget> m_neighbour;
  QLabel* m_text;
};

}  // namespace shurencho
