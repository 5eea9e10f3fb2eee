#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/files.h"
#include "platform/standard_output.h"

namespace vardilo::platform {

namespace {

bool isRegularFile(int file) {
  struct stat status {};
  return fstat(file, &status) == 0 && S_ISREG(status.st_mode);
}

bool canTakeWriteNow(int file) {
  pollfd target{file, POLLOUT, 0};
  return poll(&target, 1, 0) == 1 && target.revents == POLLOUT;
}

}  // namespace

void writeStandardOutputWithoutWaiting(std::string_view text) {
  if (isRegularFile(STDOUT_FILENO)) {
    writeAll(STDOUT_FILENO, text.data(), text.size());
    return;
  }
  // A pipe reports itself writable only while it has room for PIPE_BUF bytes, so a write no
  // larger than that goes through without waiting; a terminal stopped with Ctrl-S is not
  // writable at all.
  while (!text.empty() && canTakeWriteNow(STDOUT_FILENO)) {
    const ssize_t written =
        write(STDOUT_FILENO, text.data(), std::min(text.size(), std::size_t{PIPE_BUF}));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace vardilo::platform
