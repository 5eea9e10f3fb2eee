#pragma once

#include <cstdint>

namespace vardilo::fake {

// Counts of the global operator new and delete of the test program.
struct Heap {
  std::int64_t allocations = 0;
  std::int64_t live = 0;
};

extern Heap heap;

}  // namespace vardilo::fake
