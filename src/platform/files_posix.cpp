#include <sys/stat.h>

#include "platform/files.h"

namespace vardilo::platform {

bool openMayBlock(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && S_ISFIFO(info.st_mode);
}

}  // namespace vardilo::platform
