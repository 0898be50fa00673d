#include "mouse/click_page.h"

ClickPage::ClickPage(AppSettings& settings, const PracticeData& data, Platform& platform)
    : m_settings(settings), m_data(data), m_platform(platform) {}

void ClickPage::FormCreate() {}

void ClickPage::Timer1Timer() {}
