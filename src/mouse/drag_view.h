#pragma once
// The drag game page.

#include "mouse/drag_page.h"
#include "ui/page_view.h"

class QtPlatform;

class DragView final : public PageView {
 public:
  DragView(DragPage& page, QtPlatform& platform, QWidget* parent = nullptr);
  void Render() override;

 private:
  DragPage& m_page;
  QtPlatform& m_platform;
};
