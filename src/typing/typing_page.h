#pragma once
// The free typing page (TabSheet2, "実践").

#include <QPoint>

#include "platform/platform.h"
#include "settings/settings.h"

struct PracticeData;

class TypingPage final {
 public:
  TypingPage(AppSettings& settings, const PracticeData& data, Platform& platform);
  void FormCreate();

 private:
  AppSettings& m_settings;
  const PracticeData& m_data;
  Platform& m_platform;
};
