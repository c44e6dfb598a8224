#include "tools/simulator/civil_time.h"

#include <cctype>
#include <cmath>
#include <string>

namespace trezik::drive {

// Howard Hinnant's days_from_civil / civil_from_days: exact for every
// Gregorian date, using an era of 400 years that starts on 1 March.
std::int64_t DaysFromCivil(const CivilDate& date) {
  const std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (date.month + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + date.day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  CivilDate date;
  date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  date.year = static_cast<int>(yoe + era * 400 + (date.month <= 2 ? 1 : 0));
  return date;
}

bool IsValidDate(const CivilDate& date) {
  if (date.month < 1 || date.month > 12 || date.day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int limit = kDays[date.month - 1];
  const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
  if (date.month == 2 && leap) limit = 29;
  return date.day <= limit;
}

namespace {

// Reads exactly `width` digits at `pos`.
bool Digits(std::string_view text, std::size_t& pos, int width, int& value) {
  if (pos + width > text.size()) return false;
  value = 0;
  for (int i = 0; i < width; ++i) {
    const char c = text[pos + i];
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = value * 10 + (c - '0');
  }
  pos += width;
  return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

std::optional<double> ParseIsoTime(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  std::size_t pos = 0;
  CivilDate date;
  int hour = 0, minute = 0, second = 0;
  if (!Digits(text, pos, 4, date.year) || !Expect(text, pos, '-') ||
      !Digits(text, pos, 2, date.month) || !Expect(text, pos, '-') ||
      !Digits(text, pos, 2, date.day) || !Expect(text, pos, 'T') ||
      !Digits(text, pos, 2, hour) || !Expect(text, pos, ':') ||
      !Digits(text, pos, 2, minute) || !Expect(text, pos, ':') ||
      !Digits(text, pos, 2, second)) {
    return std::nullopt;
  }
  if (!IsValidDate(date) || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  double fraction = 0.0;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    double scale = 0.1;
    const std::size_t first = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
      fraction += (text[pos] - '0') * scale;
      scale /= 10;
      ++pos;
    }
    if (pos == first) return std::nullopt;
  }
  int offset_seconds = 0;
  if (pos < text.size()) {
    if (text[pos] == 'Z') {
      ++pos;
    } else if (text[pos] == '+' || text[pos] == '-') {
      const int sign = text[pos] == '-' ? -1 : 1;
      ++pos;
      int oh = 0, om = 0;
      if (!Digits(text, pos, 2, oh) || !Expect(text, pos, ':') || !Digits(text, pos, 2, om) ||
          oh > 14 || om > 59) {
        return std::nullopt;
      }
      offset_seconds = sign * (oh * 3600 + om * 60);
    }
  }
  if (pos != text.size()) return std::nullopt;
  const double day_seconds = hour * 3600.0 + minute * 60.0 + second + fraction;
  return static_cast<double>(DaysFromCivil(date)) * 86400.0 + day_seconds - offset_seconds;
}

CivilTime SplitEpochSeconds(double epoch_seconds) {
  const double days = std::floor(epoch_seconds / 86400.0);
  CivilTime t;
  t.date = CivilFromDays(static_cast<std::int64_t>(days));
  t.seconds_of_day = epoch_seconds - days * 86400.0;
  if (t.seconds_of_day >= 86400.0) t.seconds_of_day = 0.0;  // rounding at the day's end
  return t;
}

}  // namespace trezik::drive
