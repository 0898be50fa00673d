#pragma once
// The background-music box Panel2 on the side of the window.

#include <QFrame>

#include "app/music_box.h"

class QCheckBox;
class QLabel;
class QtPlatform;

class MusicBoxView final : public QFrame {
 public:
  MusicBoxView(MusicBox& box, QtPlatform& platform, QWidget* parent = nullptr);
  void Render();

 private:
  MusicBox& m_box;
  QCheckBox* m_checkBox3;
  QLabel* m_label15;
  QLabel* m_label16;
};
