#include "platform/getopt.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "args.h"

namespace vardilo::platform {
namespace {

// Runs the scanner to its end and describes every result: a letter, its argument in brackets,
// '?' with the offending character, and the final optind.
std::string scan(std::vector<std::string> argv) {
  Args args(std::move(argv));
  opterr = 0;
  optind = 1;
  optreset = 1;
  std::string trace;
  int c;
  while ((c = getopt(args.argc(), args.argv(), "vup:a:h:m:s:x:i:f:")) != -1) {
    if (c == '?') {
      trace += "?" + std::to_string(optopt) + " ";
    } else {
      trace += static_cast<char>(c);
      if (std::string("pahmsxif").find(static_cast<char>(c)) != std::string::npos) {
        trace += "[" + std::string(optarg) + "]";
      }
      trace += " ";
    }
  }
  return trace + "@" + std::to_string(optind);
}

TEST(Getopt, ScansWithoutPermutationAndReportsWhereItStopped) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "@1"},
      {{"-u", "file", "-v"}, "u @2"},
      {{"-uvu"}, "u v u @2"},
      {{"-pA", "-a", "B"}, "p[A] a[B] @4"},
      {{"-p", "-v", "-u"}, "p[-v] u @4"},
      {{"-u", "--", "-v"}, "u @3"},
      {{"-u", "-", "-v"}, "u @2"},
      {{"-v-", "-u"}, "v @1"},
      {{"-", "-u"}, "@1"},
      {{"", "-u"}, "@1"},
      // After an error the scanner goes on with the rest of the group and the vector.
      {{"-zu", "-v"}, "?122 u v @3"},
      {{"-u:"}, "u ?58 @2"},
      {{"--help"}, "?45 h[elp] @2"},
      {{"-u", "-i"}, "u ?105 @3"},
      {{"-\x80v"}, "?128 v @2"},
  };
  for (const auto& [argv, expected] : cases) {
    EXPECT_EQ(scan(argv), expected) << "arguments: " << testing::PrintToString(argv);
  }
}

// Removes the variable again when the test ends.
class ScopedPosixlyCorrect {
 public:
  ScopedPosixlyCorrect() { putenv(set_); }
#ifdef _WIN32
  ~ScopedPosixlyCorrect() {
    putenv(unsetWindows_);
  }
#else
  ~ScopedPosixlyCorrect() {
    unsetenv("POSIXLY_CORRECT");
  }
#endif

 private:
  char set_[18] = "POSIXLY_CORRECT=1";
  char unsetWindows_[17] = "POSIXLY_CORRECT=";
};

TEST(Getopt, IgnoresPosixlyCorrect) {
  // A permuting scanner would reach the options after the first non-option argument.
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"x", "-u"}, "@1"},
      {{"-u", "x", "-v"}, "u @2"},
      {{"-p", "a", "b", "-v"}, "p[a] @3"},
  };
  const ScopedPosixlyCorrect environment;
  ASSERT_NE(std::getenv("POSIXLY_CORRECT"), nullptr);
  for (const auto& [argv, expected] : cases) {
    EXPECT_EQ(scan(argv), expected) << "arguments: " << testing::PrintToString(argv);
  }
}

}  // namespace
}  // namespace vardilo::platform
