#pragma once
// A practice page's widget: it forwards input to the page logic and renders
// the logic's control model; it decides nothing.

#include <QWidget>

class PageView : public QWidget {
 public:
  using QWidget::QWidget;
  // Copies the control model into the widgets (without re-entering the logic).
  virtual void Render() = 0;
};
