#include "mouse/puzzle_view.h"

#include "ui/qt_platform.h"

PuzzleView::PuzzleView(PuzzlePage& page, QtPlatform& platform, QWidget* parent)
    : PageView(parent), m_page(page), m_platform(platform) {}

void PuzzleView::Render() {}
