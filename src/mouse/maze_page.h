#pragma once
// The pointing maze (TabSheet3, "POINT").

#include <QPoint>

#include "platform/platform.h"
#include "settings/settings.h"

struct PracticeData;

class MazePage final {
 public:
  MazePage(AppSettings& settings, const PracticeData& data, Platform& platform);
  void FormCreate();
  QPoint MazeStartPoint() const;

 private:
  AppSettings& m_settings;
  const PracticeData& m_data;
  Platform& m_platform;
};
