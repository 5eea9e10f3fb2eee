#pragma once

#include <cstdint>

// The three kernel services the clock and the loop rely on: a fixed positive counter frequency,
// a counter that never decreases and counts from the system's start, and a pause of at least
// the given milliseconds (0 only yields the processor).
namespace vardilo::platform {

std::int64_t queryPerformanceFrequency();
// Returns false when the counter could not be read; count is then left unchanged.
bool queryPerformanceCounter(std::int64_t& count);
void sleepMilliseconds(std::uint32_t milliseconds);

// A write to a pipe whose reader has gone then fails like any other write, and the text is
// lost, instead of the process being ended by a signal.
void ignoreBrokenPipes();

}  // namespace vardilo::platform
