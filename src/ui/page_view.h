#pragma once
// A practice page's widget: it forwards input to the page logic and renders
// the logic's control model; it decides nothing.

#include <QWidget>
#include <functional>

#include "platform/platform.h"

namespace shurencho {

class PageView : public QWidget {
 public:
  PageView(Platform& platform, QWidget* parent) : QWidget(parent), m_handlerPlatform(platform) {}
  // Copies the control model into the widgets (without re-entering the logic).
  virtual void Render() = 0;
  // Runs a handler of the page the way the window does (an error that
  // escapes it is shown in a box), then draws the page.
  template <typename F>
  void Run(F&& handler) {
    RunHandler(m_handlerPlatform, handler);
    Render();
    if (afterRun) afterRun();
  }
  // Told after every handler the view runs (the keyboard guide follows the page).
  std::function<void()> afterRun;

 private:
  Platform& m_handlerPlatform;
};

}  // namespace shurencho
