#pragma once
// The program's one clock. Platform::Now() reads it as a local date-time: a
// count of days since 1899-12-30 whose fraction is the time of day, the form
// the pages' run fields keep and the settings file stores the warm-up in. The
// learning history stamps its records in UTC milliseconds instead, so that
// they keep their order across time zones and machines. Every conversion
// between the two forms, and from a span of days to seconds, is made here.

#include <QtGlobal>

class QDateTime;

namespace shurencho {

// A local date-time, or a span between two of them, in days; 0 as a start
// time means that nothing has started.
using ClockTime = double;

inline constexpr qint64 kSecondsPerDay = 86'400;
inline constexpr qint64 kMsPerDay = kSecondsPerDay * 1000;

// A span of seconds as a span of days.
constexpr ClockTime ClockSpan(double seconds) { return seconds / kSecondsPerDay; }
// A span of days in whole milliseconds, rounded to the nearest.
qint64 ClockMs(ClockTime span);
// Seconds from one reading to a later one, to the millisecond; never negative
// (a clock set back reads as no time at all).
double SecondsBetween(ClockTime from, ClockTime to);

// A local date-time as a reading of the clock.
ClockTime ClockFromDateTime(const QDateTime& local);
// A reading of the clock as UTC milliseconds since the epoch.
qint64 UtcMsFromClock(ClockTime local);

// UtcMsFromClock with the zone's offset kept for the local hour: the zone
// lookup costs more than the rest of a drill item's end, and an offset only
// changes on the hour.
class UtcStamper {
 public:
  qint64 operator()(ClockTime local);

 private:
  qint64 m_hour = -1;   // the local hour m_offset was found for
  qint64 m_offset = 0;  // local milliseconds minus UTC milliseconds in that hour
};

}  // namespace shurencho
