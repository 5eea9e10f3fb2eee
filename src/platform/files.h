#pragma once

namespace vardilo::platform {

// True for paths whose opening for writing may wait indefinitely (a named pipe that nobody
// reads): the time file writer skips such a tick rather than stop the clock.
bool openMayBlock(const char* path);

}  // namespace vardilo::platform
