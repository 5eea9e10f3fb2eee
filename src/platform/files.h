#pragma once

#include <cstddef>

// The time file, opened for one tick and closed again.
namespace vardilo::platform {

// Opens the file for writing, emptied or created, in the platform's text mode, positioned at
// its start. It never waits: a named pipe could hold the clock up until a reader comes or makes
// room, so it is refused like anything else that cannot be positioned. Returns -1 when the
// file cannot be used on this tick.
int openTimeFile(const char* path);

// Writes the data, stopping at the first part the file refuses.
void writeAll(int file, const char* data, std::size_t size);

void closeFile(int file);

}  // namespace vardilo::platform
