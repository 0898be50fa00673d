#include "ui/music_box_view.h"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>

#include "platform/control_ids.h"
#include "ui/qt_platform.h"
#include "ui/widget_style.h"

namespace shurencho {

MusicBoxView::MusicBoxView(MusicBox& box, QtPlatform& platform, QWidget* parent)
    : QFrame(parent), m_box(box), m_platform(platform) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  m_checkBox3 = new QCheckBox(this);
  m_checkBox3->setGeometry(8, 8, 17, 33);
  m_label16 = new QLabel(this);
  m_label16->setGeometry(32, 12, 80, 24);
  m_label15 = new QLabel(this);
  m_label15->setGeometry(8, 41, 105, 16);
  m_label15->setFont(DesignFont(kMincho, 16));
  m_label15->setTextFormat(Qt::PlainText);  // a file name, shown as it is
  m_label15->setAutoFillBackground(true);
  m_label15->setCursor(Qt::PointingHandCursor);
  m_label15->installEventFilter(this);
  SetBackground(m_label15, Qt::white);
  platform.RegisterControl(ids::CheckBox3, m_checkBox3);
  platform.RegisterControl(ids::Label15, m_label15);
  connect(m_checkBox3, &QCheckBox::clicked, this, [this] {
    RunHandler(m_platform, [this] { m_box.CheckBox3.click(); });
    Render();
  });
}

bool MusicBoxView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_label15 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
      m_label15->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
    RunHandler(m_platform, [this] { m_box.Label15Click(); });
    Render();
    return true;
  }
  return QFrame::eventFilter(watched, event);
}

void MusicBoxView::Render() {
  const QSignalBlocker block(m_checkBox3);
  m_checkBox3->setChecked(m_box.CheckBox3.checked());
  m_checkBox3->setEnabled(m_box.CheckBox3.enabled);
  m_label15->setText(m_box.Label15.caption);
  m_label16->setText(m_box.Label16.caption);
}

}  // namespace shurencho
