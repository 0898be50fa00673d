#pragma once
// A measured typing run, the one shape both typing pages (and the records)
// use: when it started, how long it has lasted, what was typed, and what
// follows from that: the time shown, the speeds, the accuracy and the
// warm-up tests. Grades come from SpeedGrade.

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "platform/clock.h"

namespace shurencho {

struct MeasuredRun {
  ClockTime start = 0;    // 0: the run has not started
  ClockTime elapsed = 0;  // a span of the clock
  qint64 characters = 0;  // characters typed correctly
  qint64 keystrokes = 0;  // keys judged
  qint64 misses = 0;      // keys refused

  // The elapsed time as whole seconds of a time of day: milliseconds are
  // dropped and hours wrap after 24. A clock set back during the run shows 0.
  int Seconds() const;
  // "h:m:s", each without leading zeros (one minute and five seconds: "0:1:5").
  QString TimeText() const;
  // Characters per minute, truncated: exact whole-number arithmetic,
  // characters × 60 ÷ seconds; a run within its first second counts its
  // characters × 60.
  int CharsPerMinute() const;
  // Keys per minute, by the same rule.
  int KeysPerMinute() const;
  // Share of judged keys that were accepted, 0 to 1 (1 when none was judged).
  double Accuracy() const;
  // The shown time is at least (or longer than) the warm-up.
  bool ReachesWarmup(ClockTime warmup) const;
  bool ExceedsWarmup(ClockTime warmup) const;

  static int PerMinute(qint64 count, int seconds);
};

}  // namespace shurencho
