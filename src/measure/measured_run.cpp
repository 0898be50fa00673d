#include "measure/measured_run.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace shurencho {

namespace {
qint64 Milliseconds(double days) { return std::llround(days * 86400000.0); }
}  // namespace

int MeasuredRun::Seconds() const {
  const qint64 ms = std::max<qint64>(0, Milliseconds(elapsed));
  return static_cast<int>((ms / 1000) % 86400);
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

bool MeasuredRun::ReachesWarmup(double warmupDays) const {
  return Seconds() * 1000LL >= Milliseconds(warmupDays);
}

bool MeasuredRun::ExceedsWarmup(double warmupDays) const {
  return Seconds() * 1000LL > Milliseconds(warmupDays);
}

}  // namespace shurencho
