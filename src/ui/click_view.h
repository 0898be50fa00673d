#pragma once
// The click game page: Image3 and its clicks.

#include "mouse/click_page.h"
#include "ui/page_view.h"

namespace shurencho {

class ImageControlView;
class QtPlatform;

class ClickView final : public PageView {
 public:
  ClickView(ClickPage& page, QtPlatform& platform, QWidget* parent = nullptr);
  void Render() override;

 private:
  ClickPage& m_page;
  QtPlatform& m_platform;
  ImageControlView* m_image3;  // the field
};

}  // namespace shurencho
