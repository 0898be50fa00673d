#pragma once
// The drag game page: Image6 with the drag built on press, move and release.

#include "mouse/drag_page.h"
#include "ui/page_view.h"

namespace shurencho {

class ImageControlView;
class QtPlatform;

class DragView final : public PageView {
 public:
  DragView(DragPage& page, QtPlatform& platform, QWidget* parent = nullptr);
  void Render() override;

 private:
  DragPage& m_page;
  QtPlatform& m_platform;
  ImageControlView* m_image6;  // the field, drag source and drop target
};

}  // namespace shurencho
