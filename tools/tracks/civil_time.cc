#include "tools/tracks/civil_time.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <string>

namespace trezik::drive {

// The proleptic Gregorian calendar of <chrono>.
std::int64_t DaysFromCivil(const CivilDate& date) {
  using namespace std::chrono;
  const year_month_day civil{year{date.year}, month{static_cast<unsigned>(date.month)},
                             day{static_cast<unsigned>(date.day)}};
  return sys_days{civil}.time_since_epoch().count();
}

CivilDate CivilFromDays(std::int64_t days) {
  using namespace std::chrono;
  const year_month_day civil{sys_days{std::chrono::days{days}}};
  return {static_cast<int>(civil.year()), static_cast<int>(static_cast<unsigned>(civil.month())),
          static_cast<int>(static_cast<unsigned>(civil.day()))};
}

bool IsValidDate(const CivilDate& date) {
  using namespace std::chrono;
  if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) return false;
  return year_month_day{year{date.year}, month{static_cast<unsigned>(date.month)},
                        day{static_cast<unsigned>(date.day)}}
      .ok();
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

std::optional<double> ParseIsoTime(std::string_view text, std::optional<int>* zone_seconds) {
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
  bool numeric_zone = false;
  if (pos < text.size()) {
    if (text[pos] == 'Z') {
      ++pos;
    } else if (text[pos] == '+' || text[pos] == '-') {
      const int sign = text[pos] == '-' ? -1 : 1;
      ++pos;
      // ISO 8601 writes the offset "+01:00", "+0100" or "+01".
      int oh = 0, om = 0;
      if (!Digits(text, pos, 2, oh)) return std::nullopt;
      if (pos < text.size()) {
        const bool colon = text[pos] == ':';
        if (colon) ++pos;
        if (!Digits(text, pos, 2, om)) return std::nullopt;
      }
      if (oh > 14 || om > 59) return std::nullopt;
      offset_seconds = sign * (oh * 3600 + om * 60);
      numeric_zone = true;
    }
  }
  if (pos != text.size()) return std::nullopt;
  if (zone_seconds != nullptr) *zone_seconds = numeric_zone ? std::optional<int>(offset_seconds) : std::nullopt;
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
