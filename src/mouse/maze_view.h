#pragma once
// The pointing maze page.

#include "mouse/maze_page.h"
#include "ui/page_view.h"

class QtPlatform;

class MazeView final : public PageView {
 public:
  MazeView(MazePage& page, QtPlatform& platform, QWidget* parent = nullptr);
  void Render() override;

 private:
  MazePage& m_page;
  QtPlatform& m_platform;
};
