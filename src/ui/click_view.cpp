#include "ui/click_view.h"

#include <QMouseEvent>

#include "platform/control_ids.h"
#include "ui/image_control_view.h"
#include "ui/qt_platform.h"

namespace shurencho {

ClickView::ClickView(ClickPage& page, QtPlatform& platform, QWidget* parent)
    : PageView(platform, parent), m_page(page), m_platform(platform) {
  m_page.ButtonFace = palette().color(QPalette::Button);
  m_image3 = new ImageControlView(QSize(512, 384), this);
  m_image3->move(0, 0);
  platform.RegisterControl(ids::Image3, m_image3);

  // Every click counts, the second of a double click too: targets are
  // often clicked in quick succession.
  m_image3->onClick = [this] { Run([this] { m_page.Image3Click(); }); };
}

void ClickView::Render() { m_image3->Show(m_page.Image3); }

}  // namespace shurencho
