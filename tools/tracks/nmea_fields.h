// The pieces of an NMEA sentence as the log reader takes it apart: its
// fields, numbers, checksum digits and address, and the fixes and dates of
// the sentences it reads (RMC, GGA, GLL, ZDA).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/tracks/civil_time.h"
#include "tools/tracks/drive.h"

namespace trezik::drive::nmea {

// A sentence or a line that is skipped (or, reading strictly, refused),
// thrown by the readers below and caught by the log reader.
struct Fault {
  Damage damage;
  std::string what;
};
[[noreturn]] void Fail(Damage damage, const std::string& what);

// A fix of an RMC, GGA or GLL sentence; the time is that of day until the log
// reader dates it.
struct SentenceFix {
  Fix fix;
  double seconds_of_day = 0.0;
  std::optional<CivilDate> date;  // RMC only
};

// The fix of an RMC sentence (`f`: its fields, the address first), nothing
// for status V (no fix). Fault kBadField on a field that cannot be read.
std::optional<SentenceFix> ReadRmc(const std::vector<std::string_view>& f, int line);
// The fix of a GGA sentence, nothing for fix quality 0 or empty.
std::optional<SentenceFix> ReadGga(const std::vector<std::string_view>& f, int line);

// The fix of a GLL sentence (latitude, longitude, time of day, status, and
// from NMEA 2.3 a mode), nothing for status V, mode N (not valid) or an
// older GLL without time and status.
std::optional<SentenceFix> ReadGll(const std::vector<std::string_view>& f, int line);

// The UTC date and time of a ZDA sentence (hhmmss.ss,dd,mm,yyyy,...),
// nothing when its fields are empty (a receiver that does not know them yet).
struct ZdaDate {
  CivilDate date;
  double seconds_of_day = 0.0;
};
std::optional<ZdaDate> ReadZda(const std::vector<std::string_view>& f);

// A number field: a number with "." as its decimal mark and no blanks, which
// no NMEA field holds.
std::optional<double> FieldNumber(std::string_view field);

// The fields between the commas of a sentence's body.
std::vector<std::string_view> SplitFields(std::string_view body);

// A hexadecimal digit's value, or -1.
int HexValue(char c);

// Two hexadecimal digits, as a checksum is written.
std::string Hex(int value);

// One of the talker identifiers of NMEA 0183.
bool KnownTalker(std::string_view talker);

// An address field: a talker and a sentence type of three letters
// ("GPRMC"), or "P" and a maker's sentence ("PGRME", "PSRF140").
bool WellFormedAddress(std::string_view address);

}  // namespace trezik::drive::nmea
