#pragma once
// The keyboard drill page (TabSheet1, "特訓").

#include <QPoint>

#include "platform/platform.h"
#include "settings/settings.h"

struct PracticeData;

class DrillPage final {
 public:
  DrillPage(AppSettings& settings, const PracticeData& data, Platform& platform);
  void FormCreate();
  void FormShow();

 private:
  AppSettings& m_settings;
  const PracticeData& m_data;
  Platform& m_platform;
};
