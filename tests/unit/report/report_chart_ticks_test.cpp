#include <gtest/gtest.h>

#include <QSet>

#include "report/chart_ticks.h"

using namespace shurencho;

namespace {

QList<double> Ticks(const ValueTicks& t) {
  QList<double> values;
  for (int i = 0; i < t.count(); ++i) values.append(i * t.step);
  return values;
}

}  // namespace

TEST(ChartTicks, ValueAxesStopAtRoundNumbers) {
  EXPECT_EQ(Ticks(NiceValueTicks(70)), QList<double>({0, 20, 40, 60, 80}));
  EXPECT_EQ(Ticks(NiceValueTicks(230)), QList<double>({0, 50, 100, 150, 200, 250}));
  EXPECT_EQ(Ticks(NiceValueTicks(100)), QList<double>({0, 20, 40, 60, 80, 100}));
  // Stages are whole: 0, 1, 2, never 0, 0, 1, 1, 2.
  EXPECT_EQ(Ticks(NiceValueTicks(2, true)), QList<double>({0, 1, 2}));
  EXPECT_EQ(Ticks(NiceValueTicks(0, true)), QList<double>({0, 1}));
  // A marker at 0 or at the top is drawn whole.
  const ValueTicks t = NiceValueTicks(70);
  EXPECT_LT(t.low(), 0);
  EXPECT_GT(t.high(), t.max);
}

TEST(ChartTicks, DatesAreTickedByDayWeekOrMonthAndNeverTwice) {
  const QDate first(2026, 12, 9);
  DateTicks two = ChooseDateTicks(first, first.addDays(1));
  EXPECT_EQ(two.ticks, QList<QDate>({first, first.addDays(1)}));
  EXPECT_EQ(two.Label(first), QStringLiteral("12/9"));
  // Both markers fall inside the range drawn.
  EXPECT_LT(two.from, two.X(first));
  EXPECT_GT(two.to, two.X(first.addDays(1)));

  const DateTicks quarter = ChooseDateTicks(first, first.addDays(89));
  ASSERT_FALSE(quarter.ticks.isEmpty());
  EXPECT_LE(quarter.ticks.size(), 14);
  for (const QDate& d : quarter.ticks) EXPECT_EQ(d.dayOfWeek(), Qt::Monday) << d.toString().toStdString();

  const DateTicks year = ChooseDateTicks(QDate(2026, 1, 5), QDate(2026, 12, 20));
  EXPECT_EQ(year.ticks.size(), 11);  // 2/1 to 12/1
  QSet<QString> labels;
  for (const QDate& d : year.ticks) {
    EXPECT_EQ(d.day(), 1);
    labels.insert(year.Label(d));
  }
  EXPECT_EQ(labels.size(), year.ticks.size());
}
