#include "mouse/click_view.h"

#include "ui/qt_platform.h"

ClickView::ClickView(ClickPage& page, QtPlatform& platform, QWidget* parent)
    : PageView(parent), m_page(page), m_platform(platform) {}

void ClickView::Render() {}
