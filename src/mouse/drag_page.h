#pragma once
// The drag game (TabSheet5, "DORAG").

#include <QPoint>

#include "platform/platform.h"
#include "settings/settings.h"

struct PracticeData;

class DragPage final {
 public:
  DragPage(AppSettings& settings, const PracticeData& data, Platform& platform);
  void FormCreate();

 private:
  AppSettings& m_settings;
  const PracticeData& m_data;
  Platform& m_platform;
};
