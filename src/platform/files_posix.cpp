#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"

namespace vardilo::platform {

int openTimeFile(const char* path) {
  // O_NONBLOCK makes a pipe without a reader fail at once instead of waiting for one.
  const int file = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (file >= 0 && lseek(file, 0, SEEK_SET) != 0) {
    close(file);
    return -1;
  }
  return file;
}

void writeAll(int file, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(file, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void closeFile(int file) {
  close(file);
}

}  // namespace vardilo::platform
