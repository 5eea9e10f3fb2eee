#pragma once

#include <string_view>

namespace vardilo::platform {

// Writes the text to standard output at once, as far as that is possible without waiting, and
// drops what is left: a full pipe whose reader is stalled must not hold up the clock. Standard
// output's file flags are shared with other processes, so they are left as they are.
void writeStandardOutputWithoutWaiting(std::string_view text);

}  // namespace vardilo::platform
