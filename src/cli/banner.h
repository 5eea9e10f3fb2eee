#pragma once

#include <iosfwd>

#include "cli/settings.h"

namespace vardilo {

// The start-up banner of the chosen mode.
void printBanner(const Settings& settings, std::ostream& out);

}  // namespace vardilo
