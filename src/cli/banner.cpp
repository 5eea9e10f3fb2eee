#include "cli/banner.h"

#include <ostream>

namespace vardilo {

namespace {

void printCounterBanner(const Settings& s, std::ostream& out) {
  out << "[Vardilo by Zelvar]\n<> file '" << s.fileName << "'\n<> prefix '" << s.prefix
      << "' - suffix '" << s.suffix << "'\n<> start '" << s.startHours << ':' << s.startMinutes
      << ':' << s.startSeconds << "'\n<> press ctrl-c to quit\n";
}

void printUptimeBanner(const Settings& s, std::ostream& out) {
  out << "[Vardilo by Zelvar]\n<> writing system uptime to file '" << s.fileName << "'\n<> prefix '"
      << s.prefix << "' - suffix '" << s.suffix << "'\n<> press ctrl-c to quit\n";
}

}  // namespace

void printBanner(const Settings& settings, std::ostream& out) {
  if (settings.uptimeMode) {
    printUptimeBanner(settings, out);
  } else {
    printCounterBanner(settings, out);
  }
}

}  // namespace vardilo
