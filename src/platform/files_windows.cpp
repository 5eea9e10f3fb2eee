#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>

#include "platform/files.h"

namespace vardilo::platform {

// Text mode: the C runtime writes every line feed as CR LF.
int openTimeFile(const char* path) {
  const int file = _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_TEXT, _S_IREAD | _S_IWRITE);
  if (file >= 0 && _lseek(file, 0, SEEK_SET) != 0) {
    _close(file);
    return -1;
  }
  return file;
}

void writeAll(int file, const char* data, std::size_t size) {
  while (size > 0) {
    const unsigned chunk = size < INT_MAX ? static_cast<unsigned>(size) : INT_MAX;
    const int written = _write(file, data, chunk);
    if (written <= 0) return;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void closeFile(int file) {
  _close(file);
}

}  // namespace vardilo::platform
