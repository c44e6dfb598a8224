// Calendar arithmetic for drive timestamps: UTC seconds since 1970 and back,
// and the ISO 8601 times that GPX files carry.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace trezik::drive {

struct CivilDate {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
};

// Days since 1970-01-01 of a proleptic Gregorian date (negative before it).
std::int64_t DaysFromCivil(const CivilDate& date);
CivilDate CivilFromDays(std::int64_t days);

// True when the date exists (month 1..12, day within the month).
bool IsValidDate(const CivilDate& date);

// "2010-02-01T12:31:38.545Z" and its variants with a numeric offset
// ("+01:00", "+0100", "+01") or no zone at all (read as UTC): seconds since 1970 UTC, or
// nothing when the text is not such a time.
// `zone_seconds`, when given, gets the numeric offset the text carries
// ("+01:00": 3600), and nothing for "Z" or no zone.
std::optional<double> ParseIsoTime(std::string_view text, std::optional<int>* zone_seconds = nullptr);

// A date and time of day split from seconds since 1970.
struct CivilTime {
  CivilDate date;
  double seconds_of_day = 0.0;  // 0 <= s < 86400
};
CivilTime SplitEpochSeconds(double epoch_seconds);

}  // namespace trezik::drive
