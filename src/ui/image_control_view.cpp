#include "ui/image_control_view.h"

#include <QMouseEvent>
#include <QPainter>

namespace shurencho {

ImageControlView::ImageControlView(QSize size, QWidget* parent) : QWidget(parent) {
  setFixedSize(size);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImageControlView::Show(const QImage& image) {
  if (m_image.cacheKey() == image.cacheKey()) return;
  m_image = image;
  update();
}

void ImageControlView::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(event->rect(), palette().color(QPalette::Button));
  p.drawImage(QPoint(0, 0), m_image);
}

void ImageControlView::mousePressEvent(QMouseEvent* event) {
  m_leftPressed = event->button() == Qt::LeftButton;
  if (onPress) onPress(event);
}

void ImageControlView::mouseMoveEvent(QMouseEvent* event) {
  if (onMove) onMove(event);
}

void ImageControlView::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      m_leftPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  m_leftPressed = false;
  if (onRelease) onRelease(event);
  if (click && onClick) onClick();
}

void ImageControlView::mouseDoubleClickEvent(QMouseEvent* event) {
  // A double click is also the second press of the pair.
  m_leftPressed = event->button() == Qt::LeftButton;
  if (onDoubleClick) {
    onDoubleClick(event);
  } else if (onPress) {
    onPress(event);
  }
}

}  // namespace shurencho
