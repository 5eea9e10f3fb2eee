#include "clock/millisecond_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fakes/fake_kernel.h"

namespace vardilo {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

TEST(MillisecondsFromCount, IsTheExactTruncatedQuotient) {
  struct Case {
    std::int64_t count, frequency, expected;
  };
  const Case cases[] = {
      {0, 400, 0},
      {399, 400, 997},
      {800, 400, 2000},
      {1'999'999'999, 1'000'000'000, 1999},
      // Past 2^63 / 1000, where count * 1000 would overflow.
      {9'223'372'036'854'776, 1'000'000'000, 9'223'372'036},
      {kMax, 1'000'000'000, 9'223'372'036'854},
      {kMax, 10'000'000, 922'337'203'685'477},
      {kMax, 3'000'000'000, 3'074'457'345'618},
      {kMax - 1, 2'999'999'999, 3'074'457'346'643},
      // Frequencies so high that remainder * 1000 no longer fits in 64 bits.
      {kMax, kMax, 1000},
      {kMax - 1, kMax, 999},
      {kMax / 2, kMax, 499},
      {kMax / 1000 * 999, kMax / 1000 * 1000, 999},
      // The result itself does not fit: saturate instead of wrapping backwards.
      {kMax, 1, kMax},
      {kMax / 1000 + 1, 1, kMax},
      {kMax / 1000, 1, kMax / 1000 * 1000},
      // Nonsense input never divides by zero.
      {5, 0, 0},
      {5, -1, 0},
      {-5, 1000, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(millisecondsFromCount(c.count, c.frequency), c.expected)
        << c.count << " at " << c.frequency;
  }
}

// count * 1000 / frequency in long double, which is exact here: the x87 format holds 64-bit
// integers, so the product is exact below 2^64 and its quotient rounds to the right integer.
std::int64_t wideMilliseconds(std::int64_t count, std::int64_t frequency) {
  static_assert(std::numeric_limits<long double>::digits >= 64, "needs 64-bit long double");
  return static_cast<std::int64_t>(
      std::floor(static_cast<long double>(count) * 1000.0L / static_cast<long double>(frequency)));
}

TEST(MillisecondsFromCount, MatchesWideArithmeticAcrossTheRange) {
  const std::int64_t frequencies[] = {1, 1000, 3'579'545, 10'000'000, 1'000'000'000, 2'400'000'000};
  for (const std::int64_t f : frequencies) {
    // Counts up to 2^63 / 1000, so that count * 1000 itself would still fit in 64 bits.
    for (std::int64_t count = 1; count <= kMax / 1000; count = count * 7 + 3) {
      EXPECT_EQ(millisecondsFromCount(count, f), wideMilliseconds(count, f))
          << count << " at " << f;
    }
  }
}

TEST(FirstCountAtMilliseconds, IsTheSmallestCountThatReachesTheTime) {
  const std::int64_t frequencies[] = {1,          400,           1000,          3'579'545,
                                      10'000'000, 1'000'000'000, 2'999'999'999, kMax / 1000 + 7,
                                      kMax / 3,   kMax};
  const std::int64_t times[] = {1,           999,      1000,    1001, 86'400'000, 9'223'372'036'854,
                                kMax / 1000, kMax / 2, kMax - 1};
  for (const std::int64_t f : frequencies) {
    for (const std::int64_t ms : times) {
      const std::int64_t count = firstCountAtMilliseconds(ms, f);
      if (count == kMax) continue;  // beyond any counter
      EXPECT_GE(millisecondsFromCount(count, f), ms) << ms << " at " << f;
      EXPECT_LT(millisecondsFromCount(count - 1, f), ms) << ms << " at " << f;
    }
  }
}

class MillisecondClockTest : public testing::Test {
 protected:
  void SetUp() override { fake::kernel = fake::Kernel{}; }
};

TEST_F(MillisecondClockTest, TickIsDueFromExactly1000MsAfterTheReference) {
  fake::kernel.frequency = 1000;
  fake::kernel.count = 5000;
  MillisecondClock clock;
  clock.start();
  fake::kernel.count = 5999;
  EXPECT_FALSE(clock.isTickDue(clock.poll()));
  fake::kernel.count = 6000;
  const ClockReading due = clock.poll();
  EXPECT_TRUE(clock.isTickDue(due));
  clock.markTick(due);
  fake::kernel.count = 6999;
  EXPECT_FALSE(clock.isTickDue(clock.poll()));
}

TEST_F(MillisecondClockTest, KeepsTickingPast106DaysOfNanoseconds) {
  fake::kernel.frequency = 1'000'000'000;
  fake::kernel.count = std::int64_t{200} * 86400 * 1'000'000'000;
  MillisecondClock clock;
  clock.start();
  fake::kernel.count += 1'000'000'000;
  EXPECT_TRUE(clock.isTickDue(clock.poll()));
}

TEST_F(MillisecondClockTest, FallsBackWhenThePlatformMisbehaves) {
  fake::kernel.frequency = 0;
  fake::kernel.count = 2000;
  MillisecondClock clock;
  clock.start();
  EXPECT_EQ(clock.frequency(), 1000);
  EXPECT_EQ(clock.milliseconds(clock.poll()), 2000);

  // A failed or backward read repeats the last good count.
  fake::kernel.counterFails = true;
  fake::kernel.count = 9000;
  EXPECT_EQ(clock.poll().count, 2000);
  fake::kernel.counterFails = false;
  fake::kernel.count = -1;
  EXPECT_EQ(clock.poll().count, 2000);
  fake::kernel.count = 3000;
  EXPECT_TRUE(clock.isTickDue(clock.poll()));
}

}  // namespace
}  // namespace vardilo
