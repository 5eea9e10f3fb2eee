#pragma once

#include <cstdint>

namespace vardilo {

// Hours, minutes and seconds with no range of their own: hours never wrap, and a counter
// started from odd values can hold negative fields or fields above 59.
struct TimeOfDay {
  std::int32_t hours = 0;
  std::int32_t minutes = 0;
  std::int32_t seconds = 0;
};

inline bool operator==(const TimeOfDay& a, const TimeOfDay& b) {
  return a.hours == b.hours && a.minutes == b.minutes && a.seconds == b.seconds;
}

}  // namespace vardilo
