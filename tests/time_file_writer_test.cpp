#include "output/time_file_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "fakes/counting_new.h"

namespace vardilo {
namespace {

namespace fs = std::filesystem;

TEST(FormatTimeField, PadsToTwoDigitsAndKeepsTheZeroBeforeNegatives) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {0, "00"},
      {7, "07"},
      {9, "09"},
      {10, "10"},
      {59, "59"},
      {123, "123"},
      {-5, "0-5"},
      {-12, "0-12"},
      {2147483647, "2147483647"},
      {-2147483647 - 1, "0-2147483648"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(formatTimeField(value), text) << value;
}

// The Windows line end: text mode turns every line feed into CR LF.
#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

class TimeFileWriterTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("vardilo-writer-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    settings.fileName = (dir / "time.txt").string();
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string contents() const {
    std::ifstream in(settings.fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir;
  Settings settings;
  TimeFileWriter writer;
};

TEST_F(TimeFileWriterTest, WritesOneLineWithPrefixAndSuffix) {
  const struct {
    const char* prefix;
    const char* suffix;
    TimeOfDay time;
    std::string line;
  } cases[] = {
      {"", "", {0, 0, 1}, "00:00:01"},     {"T=", "s", {1, 2, 3}, "T=01:02:03s"},
      {"", "", {123, 4, 56}, "123:04:56"}, {"", "", {10, 0, 9}, "10:00:09"},
      {"", "", {-2, -5, 0}, "0-2:0-5:00"}, {"AB", "", {0, 0, 0}, "AB00:00:00"},
  };
  for (const auto& c : cases) {
    settings.prefix = c.prefix;
    settings.suffix = c.suffix;
    writer.writeTime(settings, c.time);
    EXPECT_EQ(contents(), c.line + kLineEnd);
  }
}

TEST_F(TimeFileWriterTest, ReplacesWhateverTheFileHeld) {
  std::ofstream(settings.fileName) << std::string(100, 'x') << "\nold lines\n";
  writer.writeTime(settings, {0, 0, 1});
  writer.writeTime(settings, {0, 0, 2});
  EXPECT_EQ(contents(), std::string("00:00:02") + kLineEnd);
}

TEST_F(TimeFileWriterTest, PassesBytesThroughAndTranslatesLineFeeds) {
  settings.prefix = "a\n'\"\xff\x01";
  settings.suffix = std::string(1 << 20, 'z');
  writer.writeTime(settings, {0, 0, 1});
  EXPECT_EQ(contents(),
            "a" + std::string(kLineEnd) + "'\"\xff\x01" + "00:00:01" + settings.suffix + kLineEnd);
}

TEST_F(TimeFileWriterTest, SkipsTicksThatCannotOpenAndRecoversOnTheNext) {
  const fs::path missing = dir / "later";
  settings.fileName = (missing / "time.txt").string();
  writer.writeTime(settings, {0, 0, 1});
  EXPECT_FALSE(fs::exists(settings.fileName));

  fs::create_directory(missing);
  writer.writeTime(settings, {0, 0, 2});
  EXPECT_EQ(contents(), std::string("00:00:02") + kLineEnd);

  fs::remove(settings.fileName);
  writer.writeTime(settings, {0, 0, 3});
  EXPECT_EQ(contents(), std::string("00:00:03") + kLineEnd);
}

TEST_F(TimeFileWriterTest, ADirectoryOrAnEmptyNameGetsNothing) {
  for (const std::string& name : {dir.string(), std::string()}) {
    settings.fileName = name;
    writer.writeTime(settings, {0, 0, 1});
  }
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(TimeFileWriterTest, HeapUseDoesNotGrowAcrossTicks) {
  settings.prefix = "prefix ";
  writer.writeTime(settings, {0, 0, 0});
  const std::int64_t live = fake::heap.live;
  for (int i = 0; i < 2000; ++i) writer.writeTime(settings, {i / 3600, i / 60 % 60, i % 60});
  EXPECT_EQ(fake::heap.live, live);
  EXPECT_EQ(contents(), std::string("prefix 00:33:19") + kLineEnd);
}

}  // namespace
}  // namespace vardilo
