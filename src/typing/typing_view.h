#pragma once
// The free typing page.

#include "typing/typing_page.h"
#include "ui/page_view.h"

class QtPlatform;

class TypingView final : public PageView {
 public:
  TypingView(TypingPage& page, QtPlatform& platform, QWidget* parent = nullptr);
  void Render() override;

 private:
  TypingPage& m_page;
  QtPlatform& m_platform;
};
