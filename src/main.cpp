#include <cstdlib>
#include <iostream>

#include "cli/banner.h"
#include "cli/settings.h"
#include "clock/millisecond_clock.h"
#include "clock/tick_loop.h"
#include "output/time_file_writer.h"
#include "platform/kernel.h"

namespace vardilo {

int run(int argc, char* argv[]) {
  platform::ignoreBrokenPipes();
  const ParseResult parsed = parseCommandLine(argc, argv);
  if (parsed.optionError) return 1;
  const Settings& settings = parsed.settings;

  reportNonOptionArguments(argc, argv, parsed.firstNonOption);

  // Started before the version test and the banner, so the first second includes printing it.
  MillisecondClock clock;
  clock.start();
  TimeFileWriter writer;

  if (settings.showVersion) {
    printVersion();
    std::exit(1);
  }
  printBanner(settings);
  // Sends the non-option lines and the banner on their way together: the run normally ends by
  // a signal, which would lose whatever still waits in the buffer of a redirected output.
  std::cout.flush();
  return runTickLoop(settings, clock, writer);
}

}  // namespace vardilo

int main(int argc, char* argv[]) {
  return vardilo::run(argc, argv);
}
