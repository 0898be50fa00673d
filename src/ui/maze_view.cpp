#include "ui/maze_view.h"

#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>

#include "platform/control_ids.h"
#include "ui/image_control_view.h"
#include "ui/qt_platform.h"
#include "ui/widget_style.h"

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

  // Drawn like a tooltip, but it stays until the pointer is back, and the
  // pointer's moves pass through it to the maze.
  m_returnNote = new QLabel(MazePage::kReturnMessage, this);
  m_returnNote->setTextFormat(Qt::PlainText);
  m_returnNote->setFont(DesignFont(kGothic, 12));
  m_returnNote->setPalette(QToolTip::palette());
  m_returnNote->setAutoFillBackground(true);
  m_returnNote->setFrameStyle(QFrame::Box | QFrame::Plain);
  m_returnNote->setMargin(3);
  m_returnNote->setAttribute(Qt::WA_TransparentForMouseEvents);
  m_returnNote->adjustSize();
  m_returnNote->hide();
}

void MazeView::Render() {
  m_image1->Show(m_page.Image1);
  if (!m_page.AwaitingReturn()) {
    m_returnNote->hide();
    return;
  }
  // Below the start cell clear of its ring, or above it near the bottom;
  // always inside the maze.
  const QRect cell = m_page.StartCell();
  const QSize size = m_returnNote->size();
  const QRect maze = m_image1->geometry();
  constexpr int kGap = 6;
  int y = cell.bottom() + 1 + kGap;
  if (y + size.height() > maze.height()) y = cell.top() - kGap - size.height();
  const int x = std::clamp(cell.center().x() - size.width() / 2, 0, std::max(0, maze.width() - size.width()));
  m_returnNote->move(maze.topLeft() + QPoint(x, std::max(0, y)));
  m_returnNote->raise();
  m_returnNote->show();
}

}  // namespace shurencho
