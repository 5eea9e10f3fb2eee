#include "cli/settings.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>

#include "platform/getopt.h"

namespace vardilo {

namespace {

constexpr const char* kOptionString = "vup:a:h:m:s:x:i:f:";
constexpr const char* kLettersWithArgument = "pahmsxif";

// Each text option collects its arguments in a string stream; numeric options read their number
// back from the same stream. The stream's own rules then decide what repeated or malformed
// numbers yield (the first plain number stays, an overflow saturates, a failed read sticks).
struct OptionBuffers {
  std::stringstream prefix, suffix, hours, minutes, seconds, stop, interval;
};

static_assert(sizeof(int) == sizeof(std::int32_t), "numbers are read as int");

void readNumber(std::stringstream& buffer, const char* text, std::int32_t& field) {
  buffer << text;
  buffer >> field;
}

void reportOptionError(int c) {
  if (c != 0 && std::strchr(kLettersWithArgument, c) != nullptr) {
    std::fprintf(stderr, "Option -%c requires an argument.\n", c);
  } else if (std::isprint(c)) {
    std::fprintf(stderr, "Unknown option `-%c'.\n", c);
  } else {
    std::fprintf(stderr, "Unknown option character `\\x%x'.\n", static_cast<unsigned>(c));
  }
}

// Returns false after an option error.
bool applyOption(int c, const char* argument, Settings& settings, OptionBuffers& buffers) {
  switch (c) {
    case 'v':
      settings.showVersion = true;
      break;
    case 'u':
      settings.uptimeMode = true;
      break;
    case 'f':
      settings.fileName = argument;
      break;
    case 'p':
      buffers.prefix << argument;
      break;
    case 'a':
      buffers.suffix << argument;
      break;
    case 'h':
      readNumber(buffers.hours, argument, settings.startHours);
      break;
    case 'm':
      readNumber(buffers.minutes, argument, settings.startMinutes);
      break;
    case 's':
      readNumber(buffers.seconds, argument, settings.startSeconds);
      break;
    case 'x':
      readNumber(buffers.stop, argument, settings.stopHours);
      break;
    case 'i':
      readNumber(buffers.interval, argument, settings.intervalMs);
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace

ParseResult parseCommandLine(int argc, char* const argv[]) {
  ParseResult result;
  OptionBuffers buffers;
  platform::opterr = 0;
  platform::optind = 1;
  platform::optreset = 1;

  int c;
  while ((c = platform::getopt(argc, argv, kOptionString)) != -1) {
    if (!applyOption(c, platform::optarg, result.settings, buffers)) {
      reportOptionError(platform::optopt);
      result.optionError = true;
      return result;
    }
  }
  result.settings.prefix = buffers.prefix.str();
  result.settings.suffix = buffers.suffix.str();
  result.firstNonOption = platform::optind;
  return result;
}

void reportNonOptionArguments(int argc, char* const argv[], int firstIndex, std::ostream& out) {
  for (int i = firstIndex; i < argc; ++i) out << "Non-option argument " << argv[i] << '\n';
}

void printVersion() {
  // VARDILO_VERSION comes from the VERSION file, through the build.
  std::cout << "[Vardilo by Zelvar]\n<> version: " VARDILO_VERSION;
}

}  // namespace vardilo
