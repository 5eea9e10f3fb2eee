#include <windows.h>

#include "platform/kernel.h"

// Asks the MinGW start-up code to expand wildcard patterns in the command line into matching
// file names before main runs, as a Windows console tool is expected to.
extern "C" {
int _dowildcard = -1;
}

namespace vardilo::platform {

std::int64_t queryPerformanceFrequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

bool queryPerformanceCounter(std::int64_t& count) {
  LARGE_INTEGER now{};
  if (!QueryPerformanceCounter(&now)) return false;
  count = now.QuadPart;
  return true;
}

void sleepMilliseconds(std::uint32_t milliseconds) {
  Sleep(milliseconds);
}

// Windows has no such signal: a failed write simply fails.
void ignoreBrokenPipes() {}

}  // namespace vardilo::platform
