#pragma once
// The キーボードガイド window: docked under the main window, it draws what
// KeyboardGuide composes. Like the history notice it never takes the
// keyboard from the practice: shown without activation, no focus.

#include <QWidget>

#include "drill/keyboard_guide.h"

class QTimer;

namespace shurencho {

class KeyboardGuideView final : public QWidget {
 public:
  explicit KeyboardGuideView(QWidget* mainWindow);

  // Draws a frame; a refused key in it flashes red for a moment.
  void Show(const GuideFrame& frame);
  // Under the main window, or where it fits without covering it.
  void Place();
  const GuideFrame& frame() const { return m_frame; }
  int flashingKey() const { return m_flashKey; }

  // Told after every placement (the history notice stacks under the guide).
  std::function<void()> onPlaced;

  static constexpr int kFlashMs = 400;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* m_main;
  GuideFrame m_frame;
  int m_flashKey = -1;
  QTimer* m_flash;
};

}  // namespace shurencho
