#pragma once
// The click game page.

#include "mouse/click_page.h"
#include "ui/page_view.h"

class QtPlatform;

class ClickView final : public PageView {
 public:
  ClickView(ClickPage& page, QtPlatform& platform, QWidget* parent = nullptr);
  void Render() override;

 private:
  ClickPage& m_page;
  QtPlatform& m_platform;
};
