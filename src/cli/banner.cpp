#include "cli/banner.h"

#include <iostream>

namespace vardilo {

namespace {

void printCounterBanner(const Settings& s) {
  std::cout << "[Vardilo by Zelvar]\n<> file '" << s.fileName << "'\n<> prefix '" << s.prefix
            << "' - suffix '" << s.suffix << "'\n<> start '" << s.startHours << ':'
            << s.startMinutes << ':' << s.startSeconds << "'\n<> press ctrl-c to quit\n";
}

void printUptimeBanner(const Settings& s) {
  std::cout << "[Vardilo by Zelvar]\n<> writing system uptime to file '" << s.fileName
            << "'\n<> prefix '" << s.prefix << "' - suffix '" << s.suffix
            << "'\n<> press ctrl-c to quit\n";
}

}  // namespace

void printBanner(const Settings& settings) {
  if (settings.uptimeMode) {
    printUptimeBanner(settings);
  } else {
    printCounterBanner(settings);
  }
}

}  // namespace vardilo
