#include "clock/millisecond_clock.h"

#include <limits>

#include "platform/kernel.h"

namespace vardilo {

namespace {

constexpr std::int64_t kMaxInt64 = std::numeric_limits<std::int64_t>::max();

// Used when the platform reports a frequency that is not positive: the raw count is then taken
// as milliseconds, which keeps the clock running instead of dividing by zero.
constexpr std::int64_t kFallbackFrequency = 1000;

// floor(remainder * 1000 / frequency) for 0 <= remainder < frequency, when remainder * 1000 may
// not fit in 64 bits (frequencies above about 9.2e15). Long division of the 74-bit product.
std::int64_t scaledFraction(std::uint64_t remainder, std::uint64_t frequency) {
  const std::uint64_t low = (remainder & 0xffffffffu) * 1000u;
  const std::uint64_t high = (remainder >> 32) * 1000u;
  const std::uint64_t productLow = low + (high << 32);
  const std::uint64_t productHigh = (high >> 32) + (productLow < low ? 1 : 0);

  std::uint64_t partial = 0;
  std::int64_t quotient = 0;
  for (int bit = 127; bit >= 0; --bit) {
    const std::uint64_t word = bit >= 64 ? productHigh : productLow;
    partial = (partial << 1) | ((word >> (bit & 63)) & 1u);
    quotient <<= 1;
    if (partial >= frequency) {
      partial -= frequency;
      quotient |= 1;
    }
  }
  return quotient;
}

}  // namespace

std::int64_t millisecondsFromCount(std::int64_t count, std::int64_t frequency) {
  if (count < 0 || frequency <= 0) return 0;
  const std::int64_t wholeSeconds = count / frequency;
  const std::int64_t remainder = count % frequency;
  if (wholeSeconds > kMaxInt64 / 1000) return kMaxInt64;
  const std::int64_t fraction = remainder <= kMaxInt64 / 1000
                                    ? remainder * 1000 / frequency
                                    : scaledFraction(static_cast<std::uint64_t>(remainder),
                                                     static_cast<std::uint64_t>(frequency));
  if (wholeSeconds * 1000 > kMaxInt64 - fraction) return kMaxInt64;
  return wholeSeconds * 1000 + fraction;
}

void MillisecondClock::start() {
  frequency_ = platform::queryPerformanceFrequency();
  if (frequency_ <= 0) frequency_ = kFallbackFrequency;
  markTick(poll());
}

ClockReading MillisecondClock::poll() {
  std::int64_t count = lastCount_;
  // A failed or impossible (negative) read repeats the last good count, so the clock never runs
  // backwards and ticks resume as soon as the counter answers again.
  if (!platform::queryPerformanceCounter(count) || count < lastCount_) count = lastCount_;
  lastCount_ = count;
  return {count, millisecondsFromCount(count, frequency_)};
}

}  // namespace vardilo
