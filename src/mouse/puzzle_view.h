#pragma once
// The sliding puzzle page.

#include "mouse/puzzle_page.h"
#include "ui/page_view.h"

class QtPlatform;

class PuzzleView final : public PageView {
 public:
  PuzzleView(PuzzlePage& page, QtPlatform& platform, QWidget* parent = nullptr);
  void Render() override;

 private:
  PuzzlePage& m_page;
  QtPlatform& m_platform;
};
