#pragma once

#include <cstdint>

namespace vardilo {

struct ClockReading {
  std::int64_t count = 0;
  std::int64_t milliseconds = 0;
};

// Exact truncated count * 1000 / frequency for any count >= 0 and frequency > 0, without
// overflowing; saturates at the largest 64-bit value when the result itself does not fit.
std::int64_t millisecondsFromCount(std::int64_t count, std::int64_t frequency);

// Milliseconds since system start, from the platform's performance counter, and the reference
// time of the last tick.
class MillisecondClock {
 public:
  void start();
  ClockReading poll();
  std::int64_t frequency() const { return frequency_; }

  // A tick is due once at least 1000 ms have passed since the reference time.
  bool isTickDue(const ClockReading& reading) const {
    return static_cast<double>(reading.milliseconds) >= referenceMs_ + 1000.0;
  }
  void markTick(const ClockReading& reading) {
    referenceMs_ = static_cast<double>(reading.milliseconds);
  }

 private:
  std::int64_t frequency_ = 1;
  std::int64_t lastCount_ = 0;
  double referenceMs_ = 0.0;
};

}  // namespace vardilo
