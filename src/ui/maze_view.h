#pragma once
// The pointing maze page: Image1 with the pointer's moves and clicks, and
// the request to bring the pointer back where the program cannot move it.

#include "mouse/maze_page.h"
#include "ui/page_view.h"

class QLabel;

namespace shurencho {

class ImageControlView;
class QtPlatform;

class MazeView final : public PageView {
 public:
  MazeView(MazePage& page, QtPlatform& platform, QWidget* parent = nullptr);
  void Render() override;

 private:
  MazePage& m_page;
  QtPlatform& m_platform;
  ImageControlView* m_image1;  // the maze
  QLabel* m_returnNote;        // a tip beside the start cell while the pointer is awaited
};

}  // namespace shurencho
