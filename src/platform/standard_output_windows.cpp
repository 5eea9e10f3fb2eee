#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "platform/standard_output.h"

namespace vardilo::platform {

namespace {

bool isPipe(std::FILE* stream) {
  struct _stat64 status {};
  return _fstat64(_fileno(stream), &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFIFO;
}

}  // namespace

void writeStandardOutputWithoutWaiting(std::string_view text) {
  if (isPipe(stdout)) {
    // Nothing this program links against can tell whether a pipe has room, and a write to a
    // full one waits for its reader. So the text stays in a buffer large enough for all of it,
    // to go out when the program ends by itself.
    std::setvbuf(stdout, nullptr, _IOFBF, std::max<std::size_t>(text.size() + 1, BUFSIZ));
    std::fwrite(text.data(), 1, text.size(), stdout);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace vardilo::platform
