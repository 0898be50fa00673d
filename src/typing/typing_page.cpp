#include "typing/typing_page.h"

TypingPage::TypingPage(AppSettings& settings, const PracticeData& data, Platform& platform)
    : m_settings(settings), m_data(data), m_platform(platform) {}

void TypingPage::FormCreate() {}
