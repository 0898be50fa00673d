#include "app/music_box_view.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>

#include "ui/qt_platform.h"
#include "ui/widget_style.h"

MusicBoxView::MusicBoxView(MusicBox& box, QtPlatform& platform, QWidget* parent)
    : QFrame(parent), m_box(box) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  m_checkBox3 = new QCheckBox(this);
  m_checkBox3->setGeometry(8, 8, 17, 33);
  m_label16 = new QLabel(this);
  m_label16->setGeometry(32, 12, 80, 24);
  m_label15 = new QLabel(this);
  m_label15->setGeometry(8, 41, 105, 16);
  m_label15->setFont(DesignFont(kMincho, 16));
  m_label15->setAutoFillBackground(true);
  SetBackground(m_label15, Qt::white);
  platform.RegisterControl(QStringLiteral("CheckBox3"), m_checkBox3);
  connect(m_checkBox3, &QCheckBox::clicked, this, [this] {
    m_box.CheckBox3.click();
    Render();
  });
}

void MusicBoxView::Render() {
  const QSignalBlocker block(m_checkBox3);
  m_checkBox3->setChecked(m_box.CheckBox3.checked());
  m_checkBox3->setEnabled(m_box.CheckBox3.enabled);
  m_label15->setText(m_box.Label15.caption);
  m_label16->setText(m_box.Label16.caption);
}
