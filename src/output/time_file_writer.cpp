#include "output/time_file_writer.h"

#include <charconv>

#include "platform/files.h"

namespace vardilo {

std::string formatTimeField(std::int32_t value) {
  // "0-2147483648" is the longest field: it fits the string's inline storage, so no heap.
  char text[16];
  char* first = text;
  if (value < 10) *first++ = '0';
  char* last = std::to_chars(first, text + sizeof text, value).ptr;
  return std::string(text, static_cast<std::size_t>(last - text));
}

void TimeFileWriter::writeTime(const Settings& settings, const TimeOfDay& time) {
  // A successful open clears any failure left by an earlier tick; a failed one makes every
  // write below do nothing.
  if (platform::openMayBlock(settings.fileName.c_str())) {
    stream_.setstate(std::ios::failbit);
  } else {
    stream_.open(settings.fileName, std::ios::out | std::ios::trunc);
  }
  const std::string seconds = formatTimeField(time.seconds);
  const std::string minutes = formatTimeField(time.minutes);
  const std::string hours = formatTimeField(time.hours);
  stream_.seekp(0, std::ios::beg);
  stream_ << settings.prefix << hours << ':' << minutes << ':' << seconds << settings.suffix
          << '\n';
  stream_.close();
}

}  // namespace vardilo
