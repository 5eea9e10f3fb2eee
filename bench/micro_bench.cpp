// Each figure next to its reference, measured in the same run: a poll of the millisecond clock
// against a bare read of the same clock, and a tick's file rewrite against bare system calls.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "clock/millisecond_clock.h"
#include "output/time_file_writer.h"

namespace {

void BareClockRead(benchmark::State& state) {
  timespec now{};
  for (auto _ : state) {
    clock_gettime(CLOCK_BOOTTIME, &now);
    benchmark::DoNotOptimize(now);
  }
}
BENCHMARK(BareClockRead);

void Poll(benchmark::State& state) {
  vardilo::MillisecondClock clock;
  clock.start();
  for (auto _ : state) {
    vardilo::ClockReading reading = clock.poll();
    benchmark::DoNotOptimize(reading);
    benchmark::DoNotOptimize(clock.isTickDue(reading));
  }
}
BENCHMARK(Poll);

std::string scratchFile() {
  static std::string dir = [] {
    const char* base = std::getenv("BENCH_DIR");
    std::string pattern = std::string(base ? base : "/dev/shm") + "/vardilo-bench-XXXXXX";
    return std::string(mkdtemp(&pattern[0]));
  }();
  return dir + "/time.txt";
}

void BareFileRewrite(benchmark::State& state) {
  const std::string path = scratchFile();
  static const char line[] = "00:00:01\n";
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    benchmark::DoNotOptimize(write(fd, line, sizeof line - 1));
    close(fd);
  }
}
BENCHMARK(BareFileRewrite);

void WriteTime(benchmark::State& state) {
  vardilo::Settings settings;
  settings.fileName = scratchFile();
  vardilo::TimeFileWriter writer;
  for (auto _ : state) writer.writeTime(settings, {0, 0, 1});
}
BENCHMARK(WriteTime);

}  // namespace
