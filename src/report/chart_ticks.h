#pragma once
// Axes a child and a teacher can read: values at round steps (1, 2 or 5
// times a power of ten) from 0 to a multiple of the step, and dates one tick
// per day, week or month as the range grows, never one date twice. The 成績
// window's charts and the printable page's draw from the same arithmetic.

#include <QDate>
#include <QList>
#include <QString>

namespace shurencho {

struct ValueTicks {
  double step = 1;
  double max = 1;                                          // a multiple of step, at least the highest value
  int count() const { return int(max / step + 0.5) + 1; }  // the ticks from 0 to max
  // The range drawn: a little room below 0 and above max, so that a marker
  // at either end is drawn whole.
  double low() const { return -max * kPad; }
  double high() const { return max * (1 + kPad); }
  static constexpr double kPad = 0.05;
};

// At most maxIntervals steps from 0 up to highest; integers: the step is
// whole (counts, stages). A highest of 0 or less still gets one step.
ValueTicks NiceValueTicks(double highest, bool integers = false, int maxIntervals = 5);

// Dates along a chart, measured in days from origin.
struct DateTicks {
  QDate origin;        // the first day drawn, at 0
  QList<QDate> ticks;  // oldest first
  double from = -0.5;  // the range drawn, in days from origin, markers included
  double to = 0.5;
  QString format;  // how a tick's date is written (QDate::toString)
  double X(QDate day) const { return double(origin.daysTo(day)); }
  QString Label(QDate day) const { return day.toString(format); }
};

// One tick per day while the days are at most maxTicks, else every other
// day, else one per week (on Mondays), else one per month (on the 1st), then
// every 2, 3, 6 or 12 months. A single day is one tick.
DateTicks ChooseDateTicks(QDate first, QDate last, int maxTicks = 14);

}  // namespace shurencho
