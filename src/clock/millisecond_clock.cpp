#include "clock/millisecond_clock.h"

#include <limits>

#include "platform/kernel.h"

namespace vardilo {

namespace {

constexpr std::int64_t kMaxInt64 = std::numeric_limits<std::int64_t>::max();

// Used when the platform reports a frequency that is not positive: the raw count is then taken
// as milliseconds, which keeps the clock running instead of dividing by zero.
constexpr std::int64_t kFallbackFrequency = 1000;

struct Division {
  std::uint64_t quotient;
  std::uint64_t remainder;
};

// a * b / d for a, b and d below 2^63, through the full 128-bit product, so that no
// intermediate value overflows. The caller makes sure the quotient fits in 64 bits.
Division mulDiv(std::uint64_t a, std::uint64_t b, std::uint64_t d) {
  const std::uint64_t a0 = a & 0xffffffffu, a1 = a >> 32;
  const std::uint64_t b0 = b & 0xffffffffu, b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const std::uint64_t middle = (p00 >> 32) + (p01 & 0xffffffffu) + (p10 & 0xffffffffu);
  const std::uint64_t low = (middle << 32) | (p00 & 0xffffffffu);
  const std::uint64_t high = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);

  Division result{0, 0};
  for (int bit = 127; bit >= 0; --bit) {
    const std::uint64_t word = bit >= 64 ? high : low;
    result.remainder = (result.remainder << 1) | ((word >> (bit & 63)) & 1u);
    result.quotient <<= 1;
    if (result.remainder >= d) {
      result.remainder -= d;
      result.quotient |= 1;
    }
  }
  return result;
}

// a * b / d rounded down or up, taking the short road when the product fits in 64 bits.
std::int64_t scaled(std::int64_t a, std::int64_t b, std::int64_t d, bool roundUp) {
  if (b == 0 || a <= kMaxInt64 / b) {
    const std::int64_t product = a * b;
    return product / d + (roundUp && product % d != 0 ? 1 : 0);
  }
  const Division division = mulDiv(static_cast<std::uint64_t>(a), static_cast<std::uint64_t>(b),
                                   static_cast<std::uint64_t>(d));
  return static_cast<std::int64_t>(division.quotient) +
         (roundUp && division.remainder != 0 ? 1 : 0);
}

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
  return a > kMaxInt64 - b ? kMaxInt64 : a + b;
}

}  // namespace

// Split into whole seconds and remainder, so that count * 1000 is never formed: a nanosecond
// counter would overflow it after about 106 days of uptime.
std::int64_t millisecondsFromCount(std::int64_t count, std::int64_t frequency) {
  if (count < 0 || frequency <= 0) return 0;
  const std::int64_t wholeSeconds = count / frequency;
  if (wholeSeconds > kMaxInt64 / 1000) return kMaxInt64;
  return saturatingAdd(wholeSeconds * 1000, scaled(count % frequency, 1000, frequency, false));
}

std::int64_t firstCountAtMilliseconds(std::int64_t milliseconds, std::int64_t frequency) {
  if (milliseconds <= 0 || frequency <= 0) return 0;
  const std::int64_t wholeSeconds = milliseconds / 1000;
  if (wholeSeconds > kMaxInt64 / frequency) return kMaxInt64;
  return saturatingAdd(wholeSeconds * frequency,
                       scaled(milliseconds % 1000, frequency, 1000, true));
}

void MillisecondClock::start() {
  frequency_ = platform::queryPerformanceFrequency();
  if (frequency_ <= 0) frequency_ = kFallbackFrequency;
  markTick(poll());
}

ClockReading MillisecondClock::poll() {
  std::int64_t count = lastCount_;
  // A failed or impossible (backward) read repeats the last good count, so the clock never runs
  // backwards and ticks resume as soon as the counter answers again.
  if (!platform::queryPerformanceCounter(count) || count < lastCount_) count = lastCount_;
  lastCount_ = count;
  return {count};
}

void MillisecondClock::markTick(const ClockReading& reading) {
  const std::int64_t referenceMs = milliseconds(reading);
  dueCount_ = firstCountAtMilliseconds(saturatingAdd(referenceMs, 1000), frequency_);
}

}  // namespace vardilo
