#pragma once
// The keyboard drill page.

#include "drill/drill_page.h"
#include "ui/page_view.h"

class QtPlatform;

class DrillView final : public PageView {
 public:
  DrillView(DrillPage& page, QtPlatform& platform, QWidget* parent = nullptr);
  void Render() override;

 private:
  DrillPage& m_page;
  QtPlatform& m_platform;
};
