#pragma once
// The sliding puzzle page: the board, the picture, and the two buttons.

#include "mouse/puzzle_page.h"
#include "ui/page_view.h"

class QLabel;
class QPushButton;

namespace shurencho {

class ImageControlView;
class QtPlatform;

class PuzzleView final : public PageView {
 public:
  PuzzleView(PuzzlePage& page, QtPlatform& platform, QWidget* parent = nullptr);
  void Render() override;

 private:
  PuzzlePage& m_page;
  QtPlatform& m_platform;
  ImageControlView* m_image9;   // the board
  ImageControlView* m_image11;  // the picture
  QLabel* m_label23;            // caption under the picture
  QLabel* m_label24;            // caption under the board
  QPushButton* m_button5;       // deals a new game
  QPushButton* m_button6;       // picks another picture
};

}  // namespace shurencho
