#include "cli/settings.h"

#include <gtest/gtest.h>

#include <climits>

#include "args.h"

namespace vardilo {
namespace {

struct ParseCase {
  std::vector<std::string> args;
  Settings expected;
  int firstNonOption;
};

Settings with(void (*change)(Settings&)) {
  Settings s;
  change(s);
  return s;
}

class ParseCommandLineTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseCommandLineTest, FillsSettings) {
  const ParseCase& c = GetParam();
  Args args(c.args);
  const ParseResult result = parseCommandLine(args.argc(), args.argv());
  ASSERT_FALSE(result.optionError);
  const Settings& s = result.settings;
  const Settings& e = c.expected;
  EXPECT_EQ(s.fileName, e.fileName);
  EXPECT_EQ(s.prefix, e.prefix);
  EXPECT_EQ(s.suffix, e.suffix);
  EXPECT_EQ(s.startHours, e.startHours);
  EXPECT_EQ(s.startMinutes, e.startMinutes);
  EXPECT_EQ(s.startSeconds, e.startSeconds);
  EXPECT_EQ(s.stopHours, e.stopHours);
  EXPECT_EQ(s.intervalMs, e.intervalMs);
  EXPECT_EQ(s.uptimeMode, e.uptimeMode);
  EXPECT_EQ(s.showVersion, e.showVersion);
  EXPECT_EQ(result.firstNonOption, c.firstNonOption);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, ParseCommandLineTest, testing::Values(
  ParseCase{{}, Settings{}, 1},
  // Repeated options: text accumulates, the path takes the last, numbers keep the first.
  ParseCase{{"-h", "1", "-h", "2"}, with([](Settings& s) { s.startHours = 1; }), 5},
  ParseCase{{"-p", "ab", "-p", "cd", "-a", "x", "-a", "y"},
            with([](Settings& s) { s.prefix = "abcd"; s.suffix = "xy"; }), 9},
  ParseCase{{"-f", "a.txt", "-f", "b.txt"}, with([](Settings& s) { s.fileName = "b.txt"; }), 5},
  ParseCase{{"-h", "7 ", "-h", "8"}, with([](Settings& s) { s.startHours = 8; }), 5},
  ParseCase{{"-h", "7x", "-h", "8"}, with([](Settings& s) { s.startHours = 0; }), 5},
  ParseCase{{"-h", "x", "-h", "8"}, with([](Settings& s) { s.startHours = 0; }), 5},
  // Number reading.
  ParseCase{{"-h", "5x"}, with([](Settings& s) { s.startHours = 5; }), 3},
  ParseCase{{"-h", "x5"}, with([](Settings& s) { s.startHours = 0; }), 3},
  ParseCase{{"-m", "010"}, with([](Settings& s) { s.startMinutes = 10; }), 3},
  ParseCase{{"-i", "0x10"}, with([](Settings& s) { s.intervalMs = 0; }), 3},
  ParseCase{{"-s", "+7"}, with([](Settings& s) { s.startSeconds = 7; }), 3},
  ParseCase{{"-s", "-"}, with([](Settings& s) { s.startSeconds = 0; }), 3},
  ParseCase{{"-s", " \t\n\v\f\r-12"}, with([](Settings& s) { s.startSeconds = -12; }), 3},
  ParseCase{{"-h", "99999999999"}, with([](Settings& s) { s.startHours = INT_MAX; }), 3},
  ParseCase{{"-h", "-99999999999"}, with([](Settings& s) { s.startHours = INT_MIN; }), 3},
  ParseCase{{"-h", "99999999999999999999999"}, with([](Settings& s) { s.startHours = INT_MAX; }), 3},
  ParseCase{{"-h", "-2147483648", "-h", "5"}, with([](Settings& s) { s.startHours = INT_MIN; }), 5},
  ParseCase{{"-h", "2147483648", "-h", "5"}, with([](Settings& s) { s.startHours = INT_MAX; }), 5},
  ParseCase{{"-i", ""}, Settings{}, 3},
  ParseCase{{"-x", "   "}, Settings{}, 3},
  ParseCase{{"-i", "abc"}, with([](Settings& s) { s.intervalMs = 0; }), 3},
  ParseCase{{"-x", "abc"}, with([](Settings& s) { s.stopHours = 0; }), 3},
  ParseCase{{"-x", "", "-x", "4"}, Settings{}, 5},
  // Accepted forms of the scanner.
  ParseCase{{"-uv"}, with([](Settings& s) { s.uptimeMode = s.showVersion = true; }), 2},
  ParseCase{{"-fout.txt"}, with([](Settings& s) { s.fileName = "out.txt"; }), 2},
  ParseCase{{"-uh3"}, with([](Settings& s) { s.uptimeMode = true; s.startHours = 3; }), 2},
  ParseCase{{"-p", "-x", "5"}, with([](Settings& s) { s.prefix = "-x"; }), 3},
  ParseCase{{"-h", "-5"}, with([](Settings& s) { s.startHours = -5; }), 3},
  ParseCase{{"-help"}, Settings{}, 2},
  ParseCase{{"-f", ""}, with([](Settings& s) { s.fileName = ""; }), 3},
  ParseCase{{"out.txt", "-u"}, Settings{}, 1},
  ParseCase{{"-u", "--", "-v"}, with([](Settings& s) { s.uptimeMode = true; }), 3},
  ParseCase{{"-v-"}, with([](Settings& s) { s.showVersion = true; }), 1},
  ParseCase{{"-u", "-", "-v"}, with([](Settings& s) { s.uptimeMode = true; }), 2},
  ParseCase{{"", "-u"}, Settings{}, 1},
  ParseCase{{"--"}, Settings{}, 2}
));
// clang-format on

struct ErrorCase {
  std::vector<std::string> args;
  std::string message;
};

class OptionErrorTest : public testing::TestWithParam<ErrorCase> {};

TEST_P(OptionErrorTest, PrintsOneMessage) {
  Args args(GetParam().args);
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  const ParseResult result = parseCommandLine(args.argc(), args.argv());
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), GetParam().message);
  EXPECT_EQ(out, "");
  EXPECT_TRUE(result.optionError);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, OptionErrorTest, testing::Values(
  ErrorCase{{"-z"}, "Unknown option `-z'.\n"},
  ErrorCase{{"--help"}, "Unknown option `--'.\n"},
  ErrorCase{{"-?"}, "Unknown option `-?'.\n"},
  ErrorCase{{"-:"}, "Unknown option `-:'.\n"},
  ErrorCase{{"-u-v"}, "Unknown option `--'.\n"},
  ErrorCase{{"-i"}, "Option -i requires an argument.\n"},
  ErrorCase{{"-vp"}, "Option -p requires an argument.\n"},
  ErrorCase{{"-v", "-z", "-i"}, "Unknown option `-z'.\n"},
  ErrorCase{{"-\x01"}, "Unknown option character `\\x1'.\n"},
  ErrorCase{{"-\x7f"}, "Unknown option character `\\x7f'.\n"},
  ErrorCase{{"-\x80"}, "Unknown option character `\\x80'.\n"},
  ErrorCase{{"-\xff"}, "Unknown option character `\\xff'.\n"}
));
// clang-format on

TEST(ParseCommandLine, ScansAgainFromTheStartOnEveryCall) {
  Args first({"-uh"});  // leaves the scanner at an error in the middle of nothing
  testing::internal::CaptureStderr();
  parseCommandLine(first.argc(), first.argv());
  testing::internal::GetCapturedStderr();
  Args second({"-h", "4"});
  EXPECT_EQ(parseCommandLine(second.argc(), second.argv()).settings.startHours, 4);
}

TEST(ParseCommandLine, EmptyArgumentVectorIsSafe) {
  char* argv[] = {nullptr};
  const ParseResult result = parseCommandLine(0, argv);
  EXPECT_FALSE(result.optionError);
  EXPECT_EQ(result.settings.fileName, "vardilo.txt");
}

}  // namespace
}  // namespace vardilo
