#pragma once

#include <cstdint>
#include <vector>

#include "clock/time_of_day.h"

namespace vardilo::fake {

// What the loop handed to the writer. Only the first `keep` values are stored, so very long
// runs stay cheap.
struct Recording {
  std::vector<TimeOfDay> times;
  std::size_t keep = 100000;
  std::uint64_t calls = 0;
  TimeOfDay last;
  std::int64_t countAtLastWrite = 0;
  // Ends a loop that would never end by itself: writeTime throws StopLoop after this many calls.
  std::uint64_t stopAfterCalls = 0;
  // Called with every value handed over, numbered from 1.
  void (*check)(std::uint64_t call, const TimeOfDay& time) = nullptr;
};

struct StopLoop {};

extern Recording recording;

}  // namespace vardilo::fake
