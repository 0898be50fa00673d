#include "mouse/maze_view.h"

#include "ui/qt_platform.h"

MazeView::MazeView(MazePage& page, QtPlatform& platform, QWidget* parent)
    : PageView(parent), m_page(page), m_platform(platform) {}

void MazeView::Render() {}
