#include "clock/uptime.h"

#include <gtest/gtest.h>

namespace vardilo {
namespace {

TEST(UptimeFromCounter, SplitsWholeSecondsWithoutWrapping) {
  struct Case {
    std::int64_t count, frequency;
    TimeOfDay expected;
  };
  const std::int64_t f = 10'000'000;
  const Case cases[] = {
      {0, f, {0, 0, 0}},
      {5 * f - 1, f, {0, 0, 4}},
      {3600 * f - 1, f, {0, 59, 59}},
      {3600 * f, f, {1, 0, 0}},
      {90'061 * f, f, {25, 1, 1}},
      {360'000 * f, f, {100, 0, 0}},
      // Half a year of nanoseconds.
      {std::int64_t{15'778'800} * 1'000'000'000 + 999'999'999, 1'000'000'000, {4383, 0, 0}},
      {std::numeric_limits<std::int64_t>::max(), 1'000'000'000, {2'562'047, 47, 16}},
      {12'345, 0, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    const TimeOfDay t = uptimeFromCounter(c.count, c.frequency);
    EXPECT_EQ(t, c.expected) << c.count << " at " << c.frequency << " gave " << t.hours << ":"
                             << t.minutes << ":" << t.seconds;
  }
}

}  // namespace
}  // namespace vardilo
