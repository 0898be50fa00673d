#include "measure/measured_run.h"

#include <algorithm>
#include <climits>

namespace shurencho {

int MeasuredRun::Seconds() const {
  const qint64 ms = std::max<qint64>(0, ClockMs(elapsed));
  return static_cast<int>((ms / 1000) % kSecondsPerDay);
}

QString MeasuredRun::TimeText() const {
  const int s = Seconds();
  return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60).arg(s % 60);
}

int MeasuredRun::PerMinute(qint64 count, int seconds) {
  const qint64 perMinute = seconds == 0 ? count * 60 : count * 60 / seconds;
  return static_cast<int>(std::clamp<qint64>(perMinute, 0, INT_MAX));
}

int MeasuredRun::CharsPerMinute() const { return PerMinute(characters, Seconds()); }

int MeasuredRun::KeysPerMinute() const { return PerMinute(keystrokes, Seconds()); }

double MeasuredRun::Accuracy() const {
  if (keystrokes <= 0) return 1.0;
  return static_cast<double>(std::max<qint64>(0, keystrokes - misses)) / static_cast<double>(keystrokes);
}

bool MeasuredRun::ReachesWarmup(ClockTime warmup) const { return Seconds() * 1000LL >= ClockMs(warmup); }

bool MeasuredRun::ExceedsWarmup(ClockTime warmup) const { return Seconds() * 1000LL > ClockMs(warmup); }

}  // namespace shurencho
