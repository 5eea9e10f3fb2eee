#include <cstdlib>
#include <iostream>
#include <sstream>

#include "cli/banner.h"
#include "cli/settings.h"
#include "clock/millisecond_clock.h"
#include "clock/tick_loop.h"
#include "output/time_file_writer.h"
#include "platform/kernel.h"
#include "platform/standard_output.h"

namespace vardilo {

int run(int argc, char* argv[]) {
  platform::ignoreBrokenPipes();
  const ParseResult parsed = parseCommandLine(argc, argv);
  if (parsed.optionError) return 1;
  const Settings& settings = parsed.settings;

  // The start-up text is collected and then written in one go, so that no part of it can
  // make the program wait for a stalled reader of its output.
  std::ostringstream startupText;
  reportNonOptionArguments(argc, argv, parsed.firstNonOption, startupText);

  // Started before the version test and the banner, so the first second includes printing it.
  MillisecondClock clock;
  clock.start();
  TimeFileWriter writer;

  if (settings.showVersion) {
    std::cout << startupText.str();
    printVersion();
    std::exit(1);
  }
  printBanner(settings, startupText);
  // Written out before the loop, not left in a buffer: the run normally ends by a signal, which
  // would lose it on its way to a log file or a journal.
  platform::writeStandardOutputWithoutWaiting(startupText.str());
  return runTickLoop(settings, clock, writer);
}

}  // namespace vardilo

int main(int argc, char* argv[]) {
  return vardilo::run(argc, argv);
}
