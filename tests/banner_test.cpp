#include "cli/banner.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vardilo {
namespace {

std::string bannerOf(const Settings& settings) {
  std::ostringstream out;
  printBanner(settings, out);
  return out.str();
}

TEST(Banner, CounterModeWithDefaults) {
  EXPECT_EQ(bannerOf(Settings{}),
            "[Vardilo by Zelvar]\n<> file 'vardilo.txt'\n<> prefix '' - suffix ''\n"
            "<> start '0:0:0'\n<> press ctrl-c to quit\n");
}

TEST(Banner, CounterModeShowsStartValuesUnpaddedAndTextsVerbatim) {
  Settings s;
  s.fileName = "it's.txt";
  s.prefix = "a\nb";
  s.suffix = "\xff'";
  s.startHours = -2;
  s.startMinutes = 5;
  s.startSeconds = 75;
  s.stopHours = 9;
  s.intervalMs = 50;
  EXPECT_EQ(bannerOf(s),
            "[Vardilo by Zelvar]\n<> file 'it's.txt'\n<> prefix 'a\nb' - suffix '\xff''\n"
            "<> start '-2:5:75'\n<> press ctrl-c to quit\n");
}

TEST(Banner, UptimeModeHasNoStartLine) {
  Settings s;
  s.uptimeMode = true;
  s.fileName = "up.txt";
  s.prefix = "Up ";
  s.startHours = 3;
  EXPECT_EQ(bannerOf(s),
            "[Vardilo by Zelvar]\n<> writing system uptime to file 'up.txt'\n"
            "<> prefix 'Up ' - suffix ''\n<> press ctrl-c to quit\n");
}

}  // namespace
}  // namespace vardilo
