#include "drill/drill_view.h"

#include "ui/qt_platform.h"

DrillView::DrillView(DrillPage& page, QtPlatform& platform, QWidget* parent)
    : PageView(parent), m_page(page), m_platform(platform) {}

void DrillView::Render() {}
