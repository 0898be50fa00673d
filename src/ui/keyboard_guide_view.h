#pragma once
// The キーボードガイド window: docked beside the main window, it shows what
// KeyboardGuide composes. The keyboard is painted; every word and figure is
// a label and the next step a button, so a screen reader reads them and
// nothing is clipped. Like the history notice it never takes the keyboard
// from the practice: shown without activation, no focus.

#include <QMargins>
#include <QWidget>
#include <functional>

#include "drill/keyboard_guide.h"

class QAction;
class QBoxLayout;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QToolButton;

namespace shurencho {

class GuideBoard;

class KeyboardGuideView final : public QWidget {
 public:
  explicit KeyboardGuideView(QWidget* mainWindow);

  // Shows a frame; a refused key in it flashes red for a moment.
  void Show(const GuideFrame& frame);
  // Beside the main window, or where it fits without covering it.
  void Place();
  // The words at 100, 125 or 150 percent of their design size, laid out and placed again.
  void SetTextScale(int percent);
  // The sizes of both arrangements, without the window manager's frame.
  GuideSizes Sizes() const;
  // Lays the window out in one arrangement at a size (Place does both).
  void Arrange(bool tall, QSize size);
  const GuideFrame& frame() const { return m_frame; }
  int flashingKey() const;
  bool tall() const { return m_tall; }
  QPushButton* stepButton() const { return m_step; }
  // The guide's own menu (キーボード → JIS / US), opened by a right click or
  // by its button.
  QMenu* menu() const { return m_menu; }
  QToolButton* menuButton() const { return m_menuButton; }
  // Ticks the keyboard drawn in the menu.
  void SetLayoutChoice(KeyboardKind kind);

  // Told after every placement (the history notice stacks under the guide).
  std::function<void()> onPlaced;
  // The step's button was pressed.
  std::function<void(const GuideStep&)> onStep;
  // The window manager's close button closed the guide.
  std::function<void()> onClosed;
  // A keyboard was chosen in the guide's menu.
  std::function<void(KeyboardKind)> onLayoutChosen;

  static constexpr int kFlashMs = 400;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QLabel* AddLabel(QBoxLayout* to, int px, bool bold);
  void BuildMenu();
  void FixWordsSize();
  // The words laid out again for the frame's assignment line (or none), and the window placed again.
  void Refit(const GuideFrame& frame);
  QMargins FrameMargins() const;

  QWidget* m_main;
  GuideFrame m_frame;
  GuideBoard* m_board;
  QBoxLayout* m_layout;
  QWidget* m_words;
  QLabel* m_progress;
  QLabel* m_shown;
  QLabel* m_nextKey;
  QLabel* m_figures;
  QLabel* m_assignment;  // the class's assignment, a line of its own while one is set
  QLabel* m_summaryTitle;
  QLabel* m_summary;
  QLabel* m_welcome;
  QString m_fittedAssignment;  // the assignment line the words were sized for
  bool m_fitting = false;
  QPushButton* m_step;
  QMenu* m_menu;
  QToolButton* m_menuButton;
  KeyboardKind m_layoutChoice = KeyboardKind::Jis;  // ticked in the menu
  QTimer* m_flash;
  bool m_tall = false;
  QMargins m_placedMargins{-1, -1, -1, -1};  // the frame's margins the last placement counted
};

}  // namespace shurencho
