#include "report/chart_ticks.h"

#include <algorithm>
#include <cmath>

namespace shurencho {

ValueTicks NiceValueTicks(double highest, bool integers, int maxIntervals) {
  maxIntervals = std::max(1, maxIntervals);
  const double raw = std::max(highest, 0.0) / maxIntervals;
  double step = integers ? 1 : 0;
  if (raw > 0) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
      // A little tolerance: 100 in five steps is 20, not 50.
      if (m * power >= raw * (1 - 1e-9)) {
        step = std::max(step, m * power);
        break;
      }
    }
  }
  if (step <= 0) step = 1;
  const double intervals = std::max(1.0, std::ceil(std::max(highest, 0.0) / step - 1e-9));
  return ValueTicks{step, step * intervals};
}

DateTicks ChooseDateTicks(QDate first, QDate last, int maxTicks) {
  maxTicks = std::max(2, maxTicks);
  if (!first.isValid()) first = last.isValid() ? last : QDate::currentDate();
  if (!last.isValid() || last < first) last = first;
  DateTicks t;
  t.origin = first;
  const qint64 days = first.daysTo(last) + 1;
  if (days <= 2 * maxTicks) {
    // Every day, or every other day from the first when they are too many.
    const int stride = days <= maxTicks ? 1 : 2;
    for (QDate d = first; d <= last; d = d.addDays(stride)) t.ticks.append(d);
    t.format = QStringLiteral("M/d");
    t.from = -0.5;
    t.to = double(days) - 0.5;
    return t;
  }
  // Beyond the days, room for a marker at the ends without a tick to own it.
  const double pad = std::max(0.5, double(days) / 40);
  t.from = -pad;
  t.to = double(days - 1) + pad;
  QDate monday = first.addDays((8 - first.dayOfWeek()) % 7);
  if ((days + 6) / 7 <= maxTicks) {
    for (QDate d = monday; d <= last; d = d.addDays(7)) t.ticks.append(d);
    t.format = QStringLiteral("M/d");
    return t;
  }
  const int months = (last.year() - first.year()) * 12 + last.month() - first.month() + 1;
  int stride = 12;
  for (int s : {1, 2, 3, 6}) {
    if ((months + s - 1) / s <= maxTicks) {
      stride = s;
      break;
    }
  }
  // The ticked months are aligned to January: Jan, Apr, Jul, Oct by threes.
  QDate m(first.year(), first.month(), 1);
  if (m < first) m = m.addMonths(1);
  while ((m.month() - 1) % stride != 0) m = m.addMonths(1);
  for (; m <= last; m = m.addMonths(stride)) t.ticks.append(m);
  t.format = QStringLiteral("yyyy/M");
  return t;
}

}  // namespace shurencho
