#pragma once

#include <cstdint>

#include "clock/time_of_day.h"

namespace vardilo {

// Whole seconds since the counter's origin, split into unwrapped hours, minutes and seconds.
TimeOfDay uptimeFromCounter(std::int64_t count, std::int64_t frequency);

}  // namespace vardilo
