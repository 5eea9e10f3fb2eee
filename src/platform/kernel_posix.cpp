#include <sched.h>

#include <cerrno>
#include <csignal>
#include <ctime>

#include "platform/kernel.h"

namespace vardilo::platform {

namespace {
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
}

// CLOCK_BOOTTIME keeps counting while the system is suspended and starts at boot, so uptime
// mode agrees with /proc/uptime.
std::int64_t queryPerformanceFrequency() {
  return kNanosecondsPerSecond;
}

bool queryPerformanceCounter(std::int64_t& count) {
  timespec now{};
  if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) return false;
  count = static_cast<std::int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
  return true;
}

void sleepMilliseconds(std::uint32_t milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  timespec remaining{static_cast<std::time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1'000'000L};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

void ignoreBrokenPipes() {
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace vardilo::platform
