#include "ui/drag_view.h"

#include <QMouseEvent>

#include "platform/control_ids.h"
#include "ui/image_control_view.h"
#include "ui/qt_platform.h"

namespace shurencho {

DragView::DragView(DragPage& page, QtPlatform& platform, QWidget* parent)
    : PageView(platform, parent), m_page(page), m_platform(platform) {
  m_page.ButtonFace = palette().color(QPalette::Button);
  m_image6 = new ImageControlView(QSize(512, 384), this);
  m_image6->move(0, 0);
  platform.RegisterControl(ids::Image6, m_image6);

  // The press grabs the mouse, so moves and the release arrive here even
  // outside the field.
  m_image6->onPress = [this](QMouseEvent*) {
    if (m_page.Dragging()) return;  // another button pressed during a drag
    Run([this] { m_page.Image6MouseDown(); });
    if (m_page.Dragging()) m_image6->setCursor(Qt::ClosedHandCursor);
  };
  m_image6->onMove = [this](QMouseEvent* e) {
    if (!m_page.Dragging()) return;
    const QPoint p = e->position().toPoint();
    Run([&] { m_page.Image6DragOver(p); });
  };
  m_image6->onRelease = [this](QMouseEvent* e) {
    if (!m_page.Dragging()) return;
    const QPoint p = e->position().toPoint();
    // Only the field accepts a drop; released elsewhere the drag just ends.
    if (m_image6->rect().contains(p)) RunHandler(m_platform, [&] { m_page.Image6DragDrop(p); });
    m_image6->unsetCursor();
    Run([this] { m_page.Image6EndDrag(); });
  };
}

void DragView::Render() { m_image6->Show(m_page.Image6); }

}  // namespace shurencho
