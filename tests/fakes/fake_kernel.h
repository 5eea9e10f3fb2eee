#pragma once

#include <cstdint>

namespace vardilo::fake {

// The simulated machine behind the kernel services. Every sleep advances the counter by the
// requested time plus extraPerSleep counts, or by the whole of nextStall once when it is set;
// every read advances it by extraPerRead.
struct Kernel {
  std::int64_t frequency = 1000;
  std::int64_t count = 0;
  std::int64_t extraPerSleep = 0;
  std::int64_t nextStall = 0;
  std::int64_t extraPerRead = 0;
  bool counterFails = false;
  std::uint64_t sleeps = 0;
  std::uint32_t lastSleepMs = 0;
};

extern Kernel kernel;

}  // namespace vardilo::fake
