#pragma once
// A small window beside the main one that tells what the learning history
// could not do. It never takes the keyboard from the practice: it shows
// without being activated and accepts no focus; a button closes it.

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
  QString text() const;

 private:
  QWidget* m_main;
  QLabel* m_text;
};

}  // namespace shurencho
