#include "drill/drill_page.h"

DrillPage::DrillPage(AppSettings& settings, const PracticeData& data, Platform& platform)
    : m_settings(settings), m_data(data), m_platform(platform) {}

void DrillPage::FormCreate() {}

void DrillPage::FormShow() {}
