// A bare polling timer for comparison: ticks once 1000 ms have passed since the last tick,
// pausing between polls, and ends after the given number of ticks.
// Usage: reference_loop TICKS PAUSE_MS
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

std::int64_t milliseconds() {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

}  // namespace

int main(int argc, char* argv[]) {
  const int ticks = argc > 1 ? std::atoi(argv[1]) : 10;
  const long pauseMs = argc > 2 ? std::atol(argv[2]) : 1;
  const timespec pause{pauseMs / 1000, (pauseMs % 1000) * 1'000'000L};
  std::int64_t reference = milliseconds();
  for (int done = 0; done < ticks;) {
    const std::int64_t now = milliseconds();
    if (now >= reference + 1000) {
      ++done;
      reference = now;
    }
    nanosleep(&pause, nullptr);
  }
  return 0;
}
