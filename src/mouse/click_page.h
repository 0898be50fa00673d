#pragma once
// The click game (TabSheet4, "CLICK").

#include <QPoint>

#include "platform/platform.h"
#include "settings/settings.h"

struct PracticeData;

class ClickPage final {
 public:
  ClickPage(AppSettings& settings, const PracticeData& data, Platform& platform);
  void FormCreate();
  void Timer1Timer();

 private:
  AppSettings& m_settings;
  const PracticeData& m_data;
  Platform& m_platform;
};
