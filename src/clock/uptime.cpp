#include "clock/uptime.h"

namespace vardilo {

TimeOfDay uptimeFromCounter(std::int64_t count, std::int64_t frequency) {
  if (frequency <= 0) return {};
  const std::int64_t total = count / frequency;
  const std::int64_t hours = total / 3600;
  const std::int64_t rest = total - hours * 3600;
  const std::int64_t minutes = rest / 60;
  return {static_cast<std::int32_t>(hours), static_cast<std::int32_t>(minutes),
          static_cast<std::int32_t>(rest - minutes * 60)};
}

}  // namespace vardilo
