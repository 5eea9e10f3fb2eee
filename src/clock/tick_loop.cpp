#include "clock/tick_loop.h"

#include "clock/uptime.h"
#include "platform/kernel.h"

namespace vardilo {

namespace {

// A negative interval would become an endless or days-long wait; it only yields instead.
std::uint32_t pauseFromInterval(std::int32_t intervalMs) {
  return intervalMs < 0 ? 0u : static_cast<std::uint32_t>(intervalMs);
}

// Plus one in 32-bit two's-complement arithmetic: the largest value wraps to the smallest,
// where a plain ++ would overflow (undefined behaviour) on a counter started near the limit.
std::int32_t plusOne(std::int32_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) + 1u);
}

}  // namespace

void advanceCounter(TimeOfDay& counter) {
  counter.seconds = plusOne(counter.seconds);
  if (counter.seconds > 59) {
    counter.seconds = 0;
    counter.minutes = plusOne(counter.minutes);
  }
  if (counter.minutes > 59) {
    counter.hours = plusOne(counter.hours);
    counter.minutes = 0;
  }
}

int runTickLoop(const Settings& settings, MillisecondClock& clock, TimeFileWriter& writer) {
  TimeOfDay counter{settings.startHours, settings.startMinutes, settings.startSeconds};
  const std::uint32_t pause = pauseFromInterval(settings.intervalMs);

  while (counter.hours != settings.stopHours) {
    const ClockReading reading = clock.poll();
    if (clock.isTickDue(reading)) {
      if (settings.uptimeMode) {
        writer.writeTime(settings, uptimeFromCounter(reading.count, clock.frequency()));
      } else {
        advanceCounter(counter);
        writer.writeTime(settings, counter);
      }
      clock.markTick(reading);
    }
    platform::sleepMilliseconds(pause);
  }
  return 0;
}

}  // namespace vardilo
