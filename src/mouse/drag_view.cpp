#include "mouse/drag_view.h"

#include "ui/qt_platform.h"

DragView::DragView(DragPage& page, QtPlatform& platform, QWidget* parent)
    : PageView(parent), m_page(page), m_platform(platform) {}

void DragView::Render() {}
