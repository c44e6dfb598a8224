#include "contract/log_line.h"

#include <cmath>

#include "core/convert.h"

namespace trezik {
namespace {

std::string TwoDigits(int value) {
  return std::string(1, static_cast<char>('0' + value / 10)) + static_cast<char>('0' + value % 10);
}

}  // namespace

void LogLine::Separate() {
  if (fields_++ > 0) line_ += ',';
}

LogLine& LogLine::Text(std::string_view text) {
  Separate();
  line_ += '"';
  for (char c : text) {
    if (c == '"') {
      line_ += "\"\"";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F') {
      line_ += ' ';
    } else {
      line_ += c;
    }
  }
  line_ += '"';
  return *this;
}

LogLine& LogLine::Number(double value) {
  Separate();
  line_ += DoubleToLogText(value);
  return *this;
}

LogLine& LogLine::Empty() {
  Separate();
  return *this;
}

std::string RecordDate(int year, int month, int day) {
  std::string text = std::to_string(year);
  while (text.size() < 4) text.insert(0, "0");
  return text + "-" + TwoDigits(month) + "-" + TwoDigits(day);
}

std::string RecordTime(double seconds_since_midnight) {
  const int seconds = static_cast<int>(std::floor(seconds_since_midnight));
  return TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" +
         TwoDigits(seconds % 60);
}

}  // namespace trezik
