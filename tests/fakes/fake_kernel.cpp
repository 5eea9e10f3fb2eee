#include "fakes/fake_kernel.h"

#include "platform/kernel.h"

namespace vardilo::fake {
Kernel kernel;
}

namespace vardilo::platform {

using fake::kernel;

std::int64_t queryPerformanceFrequency() {
  return kernel.frequency;
}

bool queryPerformanceCounter(std::int64_t& count) {
  if (kernel.counterFails) return false;
  count = kernel.count;
  kernel.count += kernel.extraPerRead;
  return true;
}

void sleepMilliseconds(std::uint32_t milliseconds) {
  ++kernel.sleeps;
  kernel.lastSleepMs = milliseconds;
  if (kernel.nextStall != 0) {
    kernel.count += kernel.nextStall;
    kernel.nextStall = 0;
    return;
  }
  const std::int64_t frequency = kernel.frequency > 0 ? kernel.frequency : 1000;
  kernel.count += static_cast<std::int64_t>(milliseconds) * frequency / 1000 + kernel.extraPerSleep;
}

}  // namespace vardilo::platform
