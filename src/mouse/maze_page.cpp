#include "mouse/maze_page.h"

MazePage::MazePage(AppSettings& settings, const PracticeData& data, Platform& platform)
    : m_settings(settings), m_data(data), m_platform(platform) {}

void MazePage::FormCreate() {}

QPoint MazePage::MazeStartPoint() const { return {}; }
