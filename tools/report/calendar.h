// Dates and times of the logs as numbers, for ordering and for chart axes.
#pragma once

#include <string>
#include <string_view>

namespace trezik::report {

// True for a valid calendar date written YYYY-MM-DD.
bool IsDate(std::string_view text);
// True for a time of day written hh:mm:ss.
bool IsTime(std::string_view text);

// Days since 1970-01-01 of a valid YYYY-MM-DD date.
double DayNumber(std::string_view date);
// Days since 1970-01-01 of a valid date and time, with the day's fraction.
double When(std::string_view date, std::string_view time);

// Months counted from the year 0 ("2026-03" is 2026 x 12 + 2), and back.
int MonthNumber(std::string_view month);
std::string MonthText(int number);
// The date of a day number (its fraction, the time of day, left out),
// YYYY-MM-DD: "2026-03-02".
std::string DateOfDay(double day);

}  // namespace trezik::report
