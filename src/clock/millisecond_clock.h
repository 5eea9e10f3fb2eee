#pragma once

#include <cstdint>

namespace vardilo {

struct ClockReading {
  std::int64_t count = 0;
};

// Exact truncated count * 1000 / frequency for any count >= 0 and frequency > 0, without
// overflowing; saturates at the largest 64-bit value when the result itself does not fit.
std::int64_t millisecondsFromCount(std::int64_t count, std::int64_t frequency);

// The smallest count whose milliseconds reach the given value (the inverse of the above),
// saturating at the largest 64-bit value.
std::int64_t firstCountAtMilliseconds(std::int64_t milliseconds, std::int64_t frequency);

// Milliseconds since system start, from the platform's performance counter, and the reference
// time of the last tick. A tick is due once at least 1000 ms have passed since the reference.
// The poll runs up to a thousand times a second, so the due test compares raw counts against
// the first count that is due, worked out once per tick; milliseconds are only computed then.
class MillisecondClock {
 public:
  void start();
  ClockReading poll();
  std::int64_t frequency() const { return frequency_; }
  std::int64_t milliseconds(const ClockReading& reading) const {
    return millisecondsFromCount(reading.count, frequency_);
  }

  bool isTickDue(const ClockReading& reading) const { return reading.count >= dueCount_; }
  // Makes this reading's milliseconds the reference time.
  void markTick(const ClockReading& reading);

 private:
  std::int64_t frequency_ = 1;
  std::int64_t lastCount_ = 0;
  std::int64_t dueCount_ = 0;
};

}  // namespace vardilo
