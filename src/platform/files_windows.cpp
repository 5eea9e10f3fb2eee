#include "platform/files.h"

namespace vardilo::platform {

// Opening a file or a pipe for writing never waits for a reader on Windows.
bool openMayBlock(const char*) {
  return false;
}

}  // namespace vardilo::platform
