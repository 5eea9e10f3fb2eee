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
  // The line is complete before the file is emptied, and goes out in one write, so a reader
  // finds the file empty for as short a moment as possible.
  line_.assign(settings.prefix);
  line_ += formatTimeField(time.hours);
  line_ += ':';
  line_ += formatTimeField(time.minutes);
  line_ += ':';
  line_ += formatTimeField(time.seconds);
  line_ += settings.suffix;
  line_ += '\n';

  const int file = platform::openTimeFile(settings.fileName.c_str());
  if (file < 0) return;
  // A write that fails leaves whatever reached the file; the next tick starts afresh.
  platform::writeAll(file, line_.data(), line_.size());
  platform::closeFile(file);
}

}  // namespace vardilo
