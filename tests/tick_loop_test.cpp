#include "clock/tick_loop.h"

#include <gtest/gtest.h>

#include <limits>

#include "fakes/counting_new.h"
#include "fakes/fake_kernel.h"
#include "fakes/recording_writer.h"

namespace vardilo {
namespace {

using fake::kernel;
using fake::recording;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TimeOfDay afterTicks(TimeOfDay start, int ticks) {
  for (int i = 0; i < ticks; ++i) advanceCounter(start);
  return start;
}

TEST(AdvanceCounter, CarriesOncePerAdvance) {
  struct Case {
    TimeOfDay start;
    int ticks;
    TimeOfDay expected;
  };
  const Case cases[] = {
      {{0, 0, 0}, 1, {0, 0, 1}},
      {{0, 0, 59}, 1, {0, 1, 0}},
      {{0, 59, 59}, 1, {1, 0, 0}},
      {{0, 0, 75}, 1, {0, 1, 0}},
      {{0, 75, 0}, 1, {1, 0, 1}},
      {{0, 75, 59}, 1, {1, 0, 0}},
      {{0, 0, -5}, 1, {0, 0, -4}},
      {{0, 0, -5}, 64, {0, 0, 59}},
      {{0, 0, -5}, 65, {0, 1, 0}},
      {{0, -3, 0}, 59, {0, -3, 59}},
      {{0, -3, 0}, 60, {0, -2, 0}},
      {{0, -3, 0}, 63 * 60, {1, 0, 0}},
      {{23, 59, 59}, 1, {24, 0, 0}},
      {{99, 59, 59}, 1, {100, 0, 0}},
      {{-2, 0, 0}, 3600, {-1, 0, 0}},
      // Each field wraps at the 32-bit limit, and the carry test sees the wrapped value.
      {{0, 0, kMax}, 1, {0, 0, kMin}},
      {{0, kMax, 59}, 1, {0, kMin, 0}},
      {{kMax, 59, 59}, 1, {kMin, 0, 0}},
      {{0, kMax, 0}, 1, {1, 0, 1}},
  };
  for (const Case& c : cases) {
    const TimeOfDay t = afterTicks(c.start, c.ticks);
    EXPECT_EQ(t, c.expected) << c.start.hours << ":" << c.start.minutes << ":" << c.start.seconds
                             << " + " << c.ticks << " gave " << t.hours << ":" << t.minutes << ":"
                             << t.seconds;
  }
}

class TickLoopTest : public testing::Test {
 protected:
  void SetUp() override {
    kernel = fake::Kernel{};
    recording = fake::Recording{};
    settings = Settings{};
    clock = MillisecondClock{};
  }

  int run() {
    clock.start();
    return runTickLoop(settings, clock, writer);
  }

  Settings settings;
  MillisecondClock clock;
  TimeFileWriter writer;
};

TEST_F(TickLoopTest, CountsToTheStopHourThenPausesOnceAndReturns) {
  settings.stopHours = 1;
  EXPECT_EQ(run(), 0);
  ASSERT_EQ(recording.calls, 3600u);
  EXPECT_EQ(recording.times.front(), (TimeOfDay{0, 0, 1}));
  EXPECT_EQ(recording.last, (TimeOfDay{1, 0, 0}));
  // 1000 one-millisecond pauses per tick, and one more after the last tick.
  EXPECT_EQ(kernel.sleeps, 3600u * 1000u + 1u);
}

TEST_F(TickLoopTest, StopHoursEqualToStartHoursEndsBeforeAnyPoll) {
  for (const bool uptime : {false, true}) {
    SetUp();
    settings.uptimeMode = uptime;
    settings.startHours = 7;
    settings.stopHours = 7;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(recording.calls, 0u);
    EXPECT_EQ(kernel.sleeps, 0u);
  }
}

TEST_F(TickLoopTest, NegativeStartHoursReachTheDefaultStop) {
  settings.startHours = -2;
  settings.intervalMs = 1000;
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(recording.calls, 3600u);
  EXPECT_EQ(recording.last, (TimeOfDay{-1, 0, 0}));
}

TEST_F(TickLoopTest, TicksExactlyAt1000MsAndNotAt999) {
  kernel.frequency = 1000;
  settings.intervalMs = 999;
  recording.stopAfterCalls = 3;
  EXPECT_THROW(run(), fake::StopLoop);
  // Polls at 0, 999, 1998 (tick), 2997, 3996 (tick) ...: 999 ms after a tick is never due.
  EXPECT_EQ(recording.countAtLastWrite, 5994);

  SetUp();
  settings.intervalMs = 1000;
  recording.stopAfterCalls = 3;
  EXPECT_THROW(run(), fake::StopLoop);
  EXPECT_EQ(recording.countAtLastWrite, 3000);
}

TEST_F(TickLoopTest, AStallYieldsOneTickAndTheNextIsDue1000MsAfterIt) {
  settings.intervalMs = 10;
  recording.stopAfterCalls = 3;
  kernel.nextStall = 10'000;  // the first pause lasts ten seconds
  EXPECT_THROW(run(), fake::StopLoop);
  ASSERT_EQ(recording.times.size(), 3u);
  EXPECT_EQ(recording.times[0], (TimeOfDay{0, 0, 1}));
  EXPECT_EQ(recording.times[1], (TimeOfDay{0, 0, 2}));
  EXPECT_EQ(recording.countAtLastWrite, 12'000);
}

TEST_F(TickLoopTest, NegativeIntervalOnlyYields) {
  settings.intervalMs = -1;
  kernel.extraPerSleep = 100;
  recording.stopAfterCalls = 1;
  EXPECT_THROW(run(), fake::StopLoop);
  EXPECT_EQ(kernel.lastSleepMs, 0u);
}

TEST_F(TickLoopTest, UptimeComesFromTheReadingThatMadeTheTickDue) {
  settings.uptimeMode = true;
  settings.intervalMs = 1000;
  kernel.frequency = 1000;
  kernel.count = 58'997;
  kernel.extraPerRead = 1;  // a second read would see a later count
  recording.stopAfterCalls = 2;
  // Due readings at 59,999 and 61,000 ms: second 60 is never written.
  EXPECT_THROW(run(), fake::StopLoop);
  ASSERT_EQ(recording.times.size(), 2u);
  EXPECT_EQ(recording.times[0], (TimeOfDay{0, 0, 59}));
  EXPECT_EQ(recording.times[1], (TimeOfDay{0, 1, 1}));
}

TEST_F(TickLoopTest, SoaksTenMillionTicksWithoutTouchingTheHeap) {
  // From -2777:-30:-5 the seconds first carry at tick 65 and the minutes, after 90 carries, at
  // tick 65 + 89 * 60 = 5405, giving -2776:00:00; from there every tick is one plain second.
  settings.startHours = -2777;
  settings.startMinutes = -30;
  settings.startSeconds = -5;
  settings.stopHours = 0;
  settings.intervalMs = 1000;
  recording.keep = 0;
  static std::uint64_t mismatches;
  mismatches = 0;
  recording.check = [](std::uint64_t call, const TimeOfDay& t) {
    if (call < 5405) return;
    const std::int64_t elapsed = static_cast<std::int64_t>(call) - 5405;
    const TimeOfDay expected{static_cast<std::int32_t>(-2776 + elapsed / 3600),
                             static_cast<std::int32_t>(elapsed % 3600 / 60),
                             static_cast<std::int32_t>(elapsed % 60)};
    if (!(t == expected)) ++mismatches;
  };
  clock.start();
  const std::int64_t allocationsBefore = fake::heap.allocations;
  EXPECT_EQ(runTickLoop(settings, clock, writer), 0);
  EXPECT_EQ(fake::heap.allocations, allocationsBefore);
  EXPECT_EQ(recording.calls, 5405u + 2776u * 3600u);
  EXPECT_EQ(recording.last, (TimeOfDay{0, 0, 0}));
  EXPECT_EQ(mismatches, 0u);
}

}  // namespace
}  // namespace vardilo
