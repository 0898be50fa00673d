#pragma once
// The background-music box Panel2 on the side of the window.

#include <QFrame>

#include "app/music_box.h"

class QCheckBox;
class QLabel;

namespace shurencho {

class QtPlatform;

class MusicBoxView final : public QFrame {
 public:
  MusicBoxView(MusicBox& box, QtPlatform& platform, QWidget* parent = nullptr);
  void Render();

  QCheckBox* checkBox3() const { return m_checkBox3; }
  QLabel* label15() const { return m_label15; }

 protected:
  // A left click on Label15 chooses the music file.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MusicBox& m_box;
  QtPlatform& m_platform;
  QCheckBox* m_checkBox3;
  QLabel* m_label15;
  QLabel* m_label16;
};

}  // namespace shurencho
