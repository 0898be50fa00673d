#include "measure/measured_run.h"

#include <gtest/gtest.h>

using namespace shurencho;

namespace {

constexpr double kSecond = 1.0 / 86400.0;

MeasuredRun RunOf(qint64 chars, double seconds) {
  return MeasuredRun{45000.5, seconds * kSecond, chars, 0, 0};
}

TEST(MeasuredRun, SpeedIsExactWholeNumberArithmetic) {
  // 22 characters in 0:1:28 is exactly 15 a minute; a floating quotient of
  // minutes and seconds lands just below and truncates to 14.
  EXPECT_EQ(RunOf(22, 88).CharsPerMinute(), 15);
  EXPECT_EQ(RunOf(22, 88).TimeText(), QStringLiteral("0:1:28"));
  EXPECT_EQ(RunOf(7, 0.4).CharsPerMinute(), 420);                     // within the first second
  EXPECT_EQ(RunOf(100, 3661.9).TimeText(), QStringLiteral("1:1:1"));  // milliseconds dropped
  EXPECT_EQ(RunOf(5, -30).Seconds(), 0);                              // a clock set back shows no time
}

TEST(MeasuredRun, WarmupIsReachedAtTheShownSecondAndExceededAfterIt) {
  const double warmup = 30 * kSecond;
  EXPECT_FALSE(RunOf(1, 29.999).ReachesWarmup(warmup));
  EXPECT_TRUE(RunOf(1, 30.2).ReachesWarmup(warmup));
  EXPECT_FALSE(RunOf(1, 30.2).ExceedsWarmup(warmup));
  EXPECT_TRUE(RunOf(1, 31).ExceedsWarmup(warmup));
}

TEST(MeasuredRun, KeysAndAccuracy) {
  MeasuredRun run = RunOf(30, 60);
  run.keystrokes = 40;
  run.misses = 4;
  EXPECT_EQ(run.KeysPerMinute(), 40);
  EXPECT_DOUBLE_EQ(run.Accuracy(), 0.9);
}

}  // namespace
