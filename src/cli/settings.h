#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace vardilo {

// Everything the command line sets. Filled once by parseCommandLine, read-only afterwards.
struct Settings {
  std::string fileName = "vardilo.txt";
  std::string prefix;
  std::string suffix;
  std::int32_t startHours = 0;
  std::int32_t startMinutes = 0;
  std::int32_t startSeconds = 0;
  std::int32_t stopHours = -1;
  std::int32_t intervalMs = 1;
  bool uptimeMode = false;
  bool showVersion = false;
};

struct ParseResult {
  Settings settings;
  // Index of the first non-option argument.
  int firstNonOption = 0;
  // An option error has been reported on standard error; the program must end with status 1.
  bool optionError = false;
};

ParseResult parseCommandLine(int argc, char* const argv[]);
// One "Non-option argument" line for every argument from firstIndex on.
void reportNonOptionArguments(int argc, char* const argv[], int firstIndex, std::ostream& out);
void printVersion();

}  // namespace vardilo
