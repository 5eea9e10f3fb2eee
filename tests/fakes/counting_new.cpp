#include "fakes/counting_new.h"

#include <cstdlib>
#include <new>

namespace vardilo::fake {
Heap heap;
}

void* operator new(std::size_t size) {
  if (void* p = std::malloc(size == 0 ? 1 : size)) {
    ++vardilo::fake::heap.allocations;
    ++vardilo::fake::heap.live;
    return p;
  }
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  --vardilo::fake::heap.live;
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
  operator delete(p);
}
