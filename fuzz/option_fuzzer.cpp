// Feeds arbitrary argument vectors to the option scanner and the number reading. The input is
// split at NUL bytes into arguments, after a program name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args{"vardilo"};
  args.emplace_back();
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\0') {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  const int argc = static_cast<int>(args.size());

  const vardilo::ParseResult result = vardilo::parseCommandLine(argc, argv.data());
  if (!result.optionError && (result.firstNonOption < 1 || result.firstNonOption > argc)) {
    __builtin_trap();
  }
  return 0;
}
