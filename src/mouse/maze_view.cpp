#include "mouse/maze_view.h"

#include <QMouseEvent>

#include "mouse/image_control_view.h"
#include "platform/control_ids.h"
#include "ui/qt_platform.h"

namespace shurencho {

MazeView::MazeView(MazePage& page, QtPlatform& platform, QWidget* parent)
    : PageView(platform, parent), m_page(page), m_platform(platform) {
  m_image1 = new ImageControlView(QSize(512, 384), this);
  m_image1->move(0, 0);
  m_image1->setMouseTracking(true);
  platform.RegisterControl(ids::Image1, m_image1);

  m_image1->onMove = [this](QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    const bool shift = e->modifiers().testFlag(Qt::ShiftModifier);
    Run([&] { m_page.Image1MouseMove(shift, p.x(), p.y()); });
  };
  m_image1->onClick = [this] { Run([this] { m_page.Image1Click(); }); };
}

void MazeView::Render() { m_image1->Show(m_page.Image1); }

}  // namespace shurencho
