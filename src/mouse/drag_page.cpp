#include "mouse/drag_page.h"

DragPage::DragPage(AppSettings& settings, const PracticeData& data, Platform& platform)
    : m_settings(settings), m_data(data), m_platform(platform) {}

void DragPage::FormCreate() {}
