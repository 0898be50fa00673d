#include "typing/typing_view.h"

#include "ui/qt_platform.h"

TypingView::TypingView(TypingPage& page, QtPlatform& platform, QWidget* parent)
    : PageView(parent), m_page(page), m_platform(platform) {}

void TypingView::Render() {}
