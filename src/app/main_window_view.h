#pragma once
// The one window: the page control with the six pages, the side panel, the
// exit button, the music box and the menu. It forwards the user's actions to
// TForm1 and renders what TForm1 holds.

#include <QMainWindow>
#include <QPointer>
#include <array>

#include "app/form1.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;

namespace shurencho {

class QtPlatform;
class HistoryStore;
class MusicBoxView;
class PageView;

class MainWindow final : public QMainWindow {
 public:
  MainWindow(TForm1& form, QtPlatform& platform);

  // Renders the shell and every page built so far.
  void RenderAll();
  QTabWidget* pageControl() const { return m_pageControl; }
  // A page's view, built now if it was not yet.
  PageView* pageView(Page page);
  // Where the 成績 window reads the learning history; null when it is off.
  void SetHistoryStore(HistoryStore* store) { m_history = store; }
  // Opens the 成績 window on what the history holds now; with the history
  // off it only says so.
  void OpenRecords();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildMenu();
  // Pages are built when first shown or first named by the logic: the
  // window appears as soon as the page in view is ready.
  void BuildPage(Page page);
  void PlaceOnScreen();
  // Runs a shell command, then closes the window if it asked to, else renders.
  template <typename F>
  void Run(F&& command);

  TForm1& m_form;
  QtPlatform& m_platform;
  QTabWidget* m_pageControl;
  std::array<QWidget*, 6> m_tabs{};    // the page control's pages, in Page order
  std::array<PageView*, 6> m_pages{};  // the views inside them; null until built
  QLabel* m_label25;
  QPushButton* m_button2;
  MusicBoxView* m_panel2;
  QTimer* m_timer1;
  QString m_shownHelp;  // the side panel's text before line breaking
  HistoryStore* m_history = nullptr;
  QPointer<QWidget> m_records;  // the 成績 window, from its module
  bool m_closed = false;
};

}  // namespace shurencho
