#include "tools/report/calendar.h"

#include <chrono>
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
  return std::chrono::year_month_day{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)},
                                     std::chrono::day{static_cast<unsigned>(d)}}
      .ok();
}

bool IsTime(std::string_view text) {
  int h = 0, m = 0, s = 0;
  return text.size() == 8 && text[2] == ':' && text[5] == ':' && Digits(text, 0, 2, h) && Digits(text, 3, 2, m) &&
         Digits(text, 6, 2, s) && h < 24 && m < 60 && s < 60;
}

double DayNumber(std::string_view date) {
  using namespace std::chrono;
  const year_month_day civil{year{Number(date, 0, 4)}, month{static_cast<unsigned>(Number(date, 5, 2))},
                             day{static_cast<unsigned>(Number(date, 8, 2))}};
  return static_cast<double>(sys_days{civil}.time_since_epoch().count());
}

double When(std::string_view date, std::string_view time) {
  const int seconds = Number(time, 0, 2) * 3600 + Number(time, 3, 2) * 60 + Number(time, 6, 2);
  return DayNumber(date) + seconds / 86400.0;
}

int MonthNumber(std::string_view month) { return Number(month, 0, 4) * 12 + Number(month, 5, 2) - 1; }

std::string MonthText(int number) { return FourDigits(number / 12) + "-" + TwoDigits(number % 12 + 1); }

std::string DateOfDay(double day) {
  using namespace std::chrono;
  const year_month_day civil{sys_days{days{static_cast<long>(std::floor(day))}}};
  return FourDigits(static_cast<int>(civil.year())) + "-" + TwoDigits(static_cast<int>(static_cast<unsigned>(civil.month()))) +
         "-" + TwoDigits(static_cast<int>(static_cast<unsigned>(civil.day())));
}

}  // namespace trezik::report
