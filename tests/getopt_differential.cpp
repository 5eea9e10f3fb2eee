// Runs our option scanner and the MinGW runtime's getopt side by side on the same argument
// vectors and reports every difference in results, optarg, optopt and the final optind.
#include <getopt.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/getopt.h"

namespace {

constexpr const char* kOptions = "vup:a:h:m:s:x:i:f:";
constexpr int kMaxCalls = 200;

struct Step {
  int result;
  int optopt;
  std::string optarg;
};

struct Trace {
  std::vector<Step> steps;
  int optind;
};

// The runtime keeps optopt as a plain char, so bytes of 0x80 and above come out negative; our
// scanner reports the byte's value. Only the byte itself is compared.
int byteOf(int c) {
  return c & 0xff;
}

// One scanner's interface: its function and its globals.
struct Scanner {
  int (*getopt)(int, char* const*, const char*);
  int& optind;
  int& optopt;
  char*& optarg;
};

Trace traceOf(const Scanner& scanner, std::vector<char*>& argv) {
  Trace t;
  const int argc = static_cast<int>(argv.size()) - 1;
  for (int i = 0, c; i < kMaxCalls && (c = scanner.getopt(argc, argv.data(), kOptions)) != -1;
       ++i) {
    t.steps.push_back({c, c == '?' ? byteOf(scanner.optopt) : 0,
                       c != '?' && scanner.optarg ? scanner.optarg : ""});
    scanner.optarg = nullptr;
  }
  t.optind = scanner.optind;
  return t;
}

Trace runtimeTrace(std::vector<char*>& argv) {
  ::opterr = 0;
  ::optind = 0;  // the runtime's way of asking for a fresh scan
  return traceOf({::getopt, ::optind, ::optopt, ::optarg}, argv);
}

Trace ourTrace(std::vector<char*>& argv) {
  namespace p = vardilo::platform;
  p::opterr = 0;
  p::optreset = 1;
  p::optind = 1;
  return traceOf({p::getopt, p::optind, p::optopt, p::optarg}, argv);
}

bool same(const Trace& a, const Trace& b) {
  if (a.optind != b.optind || a.steps.size() != b.steps.size()) return false;
  for (std::size_t i = 0; i < a.steps.size(); ++i) {
    const Step& x = a.steps[i];
    const Step& y = b.steps[i];
    if (x.result != y.result || x.optopt != y.optopt || x.optarg != y.optarg) return false;
  }
  return true;
}

std::string describe(const Trace& t) {
  std::string s;
  for (const Step& step : t.steps) {
    s +=
        std::to_string(step.result) + "/" + std::to_string(step.optopt) + "/[" + step.optarg + "] ";
  }
  return s + "optind " + std::to_string(t.optind);
}

std::string printable(const std::vector<std::string>& args) {
  std::string s;
  char hex[8];
  for (const std::string& a : args) {
    s += '"';
    for (const unsigned char c : a) {
      if (c >= 0x20 && c < 0x7f) {
        s += static_cast<char>(c);
      } else {
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        s += hex;
      }
    }
    s += "\" ";
  }
  return s;
}

// Returns false (and says why) when the two scanners disagree.
bool compare(const std::vector<std::string>& args) {
  std::vector<std::string> storage = args;
  storage.insert(storage.begin(), "vardilo");
  std::vector<char*> argv;
  for (std::string& s : storage) argv.push_back(&s[0]);
  argv.push_back(nullptr);
  const Trace runtime = runtimeTrace(argv);
  const Trace ours = ourTrace(argv);
  if (same(runtime, ours)) return true;
  std::printf("DIFFERENT for %s\n  runtime: %s\n  ours:    %s\n", printable(args).c_str(),
              describe(runtime).c_str(), describe(ours).c_str());
  return false;
}

const std::vector<std::vector<std::string>> kForms = {
    {},
    {"-u", "file", "-v"},
    {"-uv"},
    {"-uvu", "-h", "5"},
    {"-fout.txt", "-pA", "-a", "B"},
    {"-p", "-x", "5"},
    {"-h", "-5"},
    {"-help"},
    {"-u", "--", "-v"},
    {"--"},
    {"-u", "-", "-v"},
    {"-"},
    {"", "-u"},
    {"-v-"},
    {"-v-", "-u"},
    {"-u-v"},
    {"--help"},
    {"-z"},
    {"-zu"},
    {"-?"},
    {"-:"},
    {"-i"},
    {"-vp"},
    {"-u", "-i"},
    {"-\x01"},
    {"-\x80"},
    {"-\xff", "-v"},
    {"-v", "-z", "-i"},
    {"-x", ""},
    {"-f", ""},
};

// A small deterministic generator, so every run checks the same vectors.
struct Random {
  std::uint32_t state = 12345;
  std::uint32_t next(std::uint32_t bound) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % bound;
  }
};

std::vector<std::string> randomVector(Random& r) {
  static const std::vector<std::string> pieces = {"-",  "--", "v", "u",    "p",    "a",    "h", "m",
                                                  "s",  "x",  "i", "f",    ":",    "?",    "0", "7",
                                                  "-5", "",   "z", "\x80", "\xe9", "\xff", " "};
  std::vector<std::string> args(r.next(6));
  for (std::string& arg : args) {
    if (r.next(4) != 0) arg = "-";
    for (std::uint32_t n = r.next(5); n > 0; --n) arg += pieces[r.next(pieces.size())];
  }
  return args;
}

}  // namespace

int main() {
  int differences = 0;
  int checked = 0;
  for (const auto& args : kForms) {
    differences += compare(args) ? 0 : 1;
    ++checked;
  }
  Random random;
  for (int i = 0; i < 5000; ++i) {
    differences += compare(randomVector(random)) ? 0 : 1;
    ++checked;
  }
  std::printf("%d vectors checked, %d differences\n", checked, differences);
  return differences == 0 ? 0 : 1;
}
