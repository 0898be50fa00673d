#pragma once
// An image control of the mouse pages: paints the QImage the logic composed
// and hands the mouse events to its page view.

#include <QImage>
#include <QWidget>
#include <functional>

class QMouseEvent;

namespace shurencho {

class ImageControlView final : public QWidget {
  Q_OBJECT

 public:
  explicit ImageControlView(QSize size, QWidget* parent = nullptr);

  // Shows a copy of the image (shared until the logic paints it again).
  void Show(const QImage& image);
  const QImage& Shown() const { return m_image; }

  std::function<void(QMouseEvent*)> onPress;
  std::function<void(QMouseEvent*)> onMove;
  std::function<void(QMouseEvent*)> onRelease;
  std::function<void(QMouseEvent*)> onDoubleClick;
  // A click: a left press (the second press of a double click too) and its
  // release over the control.
  std::function<void()> onClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QImage m_image;
  bool m_leftPressed = false;  // a left press waits for its release
};

}  // namespace shurencho
