#include "tools/report/calendar.h"

#include <cmath>

namespace trezik::report {
namespace {

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

int Number(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  Digits(text, at, count, value);
  return value;
}

std::string TwoDigits(int value) { return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)}; }

std::string FourDigits(int value) {
  std::string text = TwoDigits(value / 100 % 100) + TwoDigits(value % 100);
  return text;
}

}  // namespace

bool IsDate(std::string_view text) {
  int y = 0, m = 0, d = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !Digits(text, 0, 4, y) || !Digits(text, 5, 2, m) ||
      !Digits(text, 8, 2, d)) {
    return false;
  }
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

bool IsTime(std::string_view text) {
  int h = 0, m = 0, s = 0;
  return text.size() == 8 && text[2] == ':' && text[5] == ':' && Digits(text, 0, 2, h) && Digits(text, 3, 2, m) &&
         Digits(text, 6, 2, s) && h < 24 && m < 60 && s < 60;
}

// Howard Hinnant's days-from-civil.
double DayNumber(std::string_view date) {
  int y = Number(date, 0, 4);
  const int m = Number(date, 5, 2), d = Number(date, 8, 2);
  y -= m <= 2;
  const int era = y / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097.0 + doe - 719468;
}

double When(std::string_view date, std::string_view time) {
  const int seconds = Number(time, 0, 2) * 3600 + Number(time, 3, 2) * 60 + Number(time, 6, 2);
  return DayNumber(date) + seconds / 86400.0;
}

int MonthNumber(std::string_view month) { return Number(month, 0, 4) * 12 + Number(month, 5, 2) - 1; }

std::string MonthText(int number) { return FourDigits(number / 12) + "-" + TwoDigits(number % 12 + 1); }

// Howard Hinnant's civil-from-days.
std::string DateText(double day) {
  const long z = static_cast<long>(std::floor(day)) + 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(yoe + era * 400 + (m <= 2));
  return FourDigits(y) + "-" + TwoDigits(m) + "-" + TwoDigits(d);
}

}  // namespace trezik::report
