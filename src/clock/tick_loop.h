#pragma once

#include "cli/settings.h"
#include "clock/millisecond_clock.h"
#include "clock/time_of_day.h"
#include "output/time_file_writer.h"

namespace vardilo {

// One second forward with carry; values above 59 collapse into a single carry. A field at the
// largest 32-bit value wraps to the smallest, which is not above 59 and so carries nothing.
void advanceCounter(TimeOfDay& counter);

// Polls the clock, rewrites the time file on every tick and returns 0 once the counter's hours
// equal stopHours.
int runTickLoop(const Settings& settings, MillisecondClock& clock, TimeFileWriter& writer);

}  // namespace vardilo
