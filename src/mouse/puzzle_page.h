#pragma once
// The double-click sliding puzzle (TabSheet6, "DOBLE").

#include <QPoint>

#include "platform/platform.h"
#include "settings/settings.h"

struct PracticeData;

class PuzzlePage final {
 public:
  PuzzlePage(AppSettings& settings, const PracticeData& data, Platform& platform);
  void FormCreate();

 private:
  AppSettings& m_settings;
  const PracticeData& m_data;
  Platform& m_platform;
};
