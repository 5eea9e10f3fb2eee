#pragma once

#include "cli/settings.h"

namespace vardilo {

// The start-up banner of the chosen mode, on standard output, with no flush of its own.
void printBanner(const Settings& settings);

}  // namespace vardilo
