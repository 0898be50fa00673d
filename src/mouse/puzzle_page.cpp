#include "mouse/puzzle_page.h"

PuzzlePage::PuzzlePage(AppSettings& settings, const PracticeData& data, Platform& platform)
    : m_settings(settings), m_data(data), m_platform(platform) {}

void PuzzlePage::FormCreate() {}
