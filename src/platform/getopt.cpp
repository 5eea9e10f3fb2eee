#include "platform/getopt.h"

#include <cstdio>
#include <cstring>

namespace vardilo::platform {

char* optarg = nullptr;
int optind = 1;
int optopt = '?';
int opterr = 1;
int optreset = 0;

namespace {

char emptyText[] = "";
// Where the next option character of the current group is read from.
char* nextChar = emptyText;

bool isNonOption(const char* arg) {
  return arg[0] != '-' || arg[1] == '\0';
}

bool isDoubleDash(const char* arg) {
  return std::strcmp(arg, "--") == 0;
}

// Returns the option string entry for c, or nullptr when c is not an option letter (':' only
// marks arguments in the option string).
const char* findOption(const char* optstring, int c) {
  return c == ':' ? nullptr : std::strchr(optstring, c);
}

int reportError(const char* format, int c) {
  if (opterr) std::fprintf(stderr, format, c);
  return '?';
}

}  // namespace

int getopt(int argc, char* const argv[], const char* optstring) {
  if (optreset || *nextChar == '\0') {
    optreset = 0;
    nextChar = emptyText;
    if (optind >= argc || argv[optind] == nullptr || isNonOption(argv[optind])) return -1;
    if (isDoubleDash(argv[optind])) {
      ++optind;
      return -1;
    }
    nextChar = argv[optind] + 1;
  }

  // Byte values, so characters of 0x80 and above never turn negative.
  const int c = static_cast<unsigned char>(*nextChar++);
  const bool groupEnds = *nextChar == '\0';

  if (c == '-' && groupEnds) {
    // "-v-": the letters before the dash were options; the whole argument is a non-option.
    nextChar = emptyText;
    return -1;
  }

  const char* entry = findOption(optstring, c);
  if (entry == nullptr) {
    optopt = c;
    if (groupEnds) ++optind;
    return reportError("unknown option -- %c\n", c);
  }

  if (entry[1] != ':') {
    if (groupEnds) ++optind;
    return c;
  }

  if (!groupEnds) {
    optarg = nextChar;
  } else if (optind + 1 >= argc) {
    nextChar = emptyText;
    optind = argc;
    optopt = c;
    return reportError("option requires an argument -- %c\n", c);
  } else {
    optarg = argv[++optind];
  }
  nextChar = emptyText;
  ++optind;
  return c;
}

}  // namespace vardilo::platform
