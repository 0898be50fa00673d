#include "platform/clock.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <algorithm>
#include <cmath>

namespace shurencho {

namespace {
constexpr qint64 kEpochJulianDay = 2'415'019;  // 1899-12-30, 25569 days before 1970-01-01
}  // namespace

qint64 ClockMs(ClockTime span) { return std::llround(span * static_cast<double>(kMsPerDay)); }

double SecondsBetween(ClockTime from, ClockTime to) { return std::max(0.0, ClockMs(to - from) / 1000.0); }

ClockTime ClockFromDateTime(const QDateTime& local) {
  return static_cast<double>(local.date().toJulianDay() - kEpochJulianDay) +
         local.time().msecsSinceStartOfDay() / static_cast<double>(kMsPerDay);
}

qint64 UtcMsFromClock(ClockTime local) {
  const qint64 ms = ClockMs(local);
  qint64 days = ms / kMsPerDay;
  qint64 inDay = ms % kMsPerDay;
  if (inDay < 0) {
    inDay += kMsPerDay;
    --days;
  }
  const QDateTime dateTime(QDate::fromJulianDay(kEpochJulianDay + days),
                           QTime::fromMSecsSinceStartOfDay(static_cast<int>(inDay)));
  return dateTime.toMSecsSinceEpoch();
}

qint64 UtcStamper::operator()(ClockTime local) {
  const qint64 localMs = ClockMs(local);
  const qint64 hour = localMs / 3'600'000;
  if (hour != m_hour) {
    m_hour = hour;
    m_offset = localMs - UtcMsFromClock(local);
  }
  return localMs - m_offset;
}

}  // namespace shurencho
