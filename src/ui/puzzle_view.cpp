#include "ui/puzzle_view.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "platform/control_ids.h"
#include "ui/image_control_view.h"
#include "ui/qt_platform.h"
#include "ui/widget_style.h"

namespace shurencho {

namespace {
// A panel around a 256 × 256 image with its caption underneath.
QFrame* MakePanel(QWidget* parent, const QRect& geometry, const QColor& colour) {
  auto* panel = new QFrame(parent);
  panel->setGeometry(geometry);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setAutoFillBackground(true);
  SetBackground(panel, colour);
  return panel;
}

QLabel* MakeCaption(QWidget* panel) {
  auto* label = new QLabel(panel);
  label->setGeometry(2, 262, 256, 28);
  label->setAlignment(Qt::AlignCenter);
  return label;
}
}  // namespace

PuzzleView::PuzzleView(PuzzlePage& page, QtPlatform& platform, QWidget* parent)
    : PageView(platform, parent), m_page(page), m_platform(platform) {
  m_page.ButtonFace = palette().color(QPalette::Button);
  QFrame* panel3 = MakePanel(this, QRect(4, 4, 260, 292), QColor(0, 255, 255));
  m_image9 = new ImageControlView(QSize(256, 256), panel3);
  m_image9->move(2, 2);
  m_label24 = MakeCaption(panel3);
  QFrame* panel4 = MakePanel(this, QRect(268, 4, 260, 292), QColor(0, 255, 0));
  m_image11 = new ImageControlView(QSize(256, 256), panel4);
  m_image11->move(2, 2);
  m_label23 = MakeCaption(panel4);
  m_button5 = new QPushButton(this);
  m_button5->setGeometry(4, 304, 160, 40);
  m_button6 = new QPushButton(this);
  m_button6->setGeometry(268, 304, 160, 40);
  platform.RegisterControl(ids::Image9, m_image9);

  m_image9->onDoubleClick = [this](QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    Run([this] { m_page.Image9DblClick(); });
  };
  connect(m_button5, &QPushButton::clicked, this, [this] { Run([this] { m_page.Button5Click(); }); });
  connect(m_button6, &QPushButton::clicked, this, [this] { Run([this] { m_page.Button6Click(); }); });
}

void PuzzleView::Render() {
  m_image9->Show(m_page.Image9);
  m_image11->Show(m_page.Image11);
  m_label23->setText(m_page.Label23.caption);
  m_label24->setText(m_page.Label24.caption);
  m_button5->setText(m_page.Button5.caption);
  m_button6->setText(m_page.Button6.caption);
}

}  // namespace shurencho
