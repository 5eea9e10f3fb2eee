#pragma once

#include <cstdint>
#include <string>

#include "cli/settings.h"
#include "clock/time_of_day.h"

namespace vardilo {

// Two digits at least; negative values keep a leading "0" (-5 gives "0-5").
std::string formatTimeField(std::int32_t value);

// Rewrites the time file on every tick: open with truncation, one line, close. Nothing is held
// open between ticks, and a tick that cannot write is lost silently; the next one tries again.
class TimeFileWriter {
 public:
  void writeTime(const Settings& settings, const TimeOfDay& time);

 private:
  // The line of the latest tick. Its storage is kept, so later ticks allocate nothing.
  std::string line_;
};

}  // namespace vardilo
