#include "tools/tracks/nmea_fields.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "core/convert.h"

namespace trezik::drive::nmea {
namespace {

constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;

[[noreturn]] void BadField(const std::string& what) { Fail(Damage::kBadField, what); }

int TwoDigits(std::string_view text) { return (text[0] - '0') * 10 + (text[1] - '0'); }

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

double TimeOfDay(std::string_view field, const char* sentence) {
  const std::string not_hhmmss = std::string(sentence) + " time '" + std::string(field) + "' is not hhmmss";
  if (field.size() < 6 || !AllDigits(field.substr(0, 6))) BadField(not_hhmmss);
  const int hh = TwoDigits(field);
  const int mm = TwoDigits(field.substr(2));
  const std::optional<double> seconds = FieldNumber(field.substr(4));
  if (!seconds || hh > 23 || mm > 59 || *seconds >= 61) {
    BadField(std::string(sentence) + " time '" + std::string(field) + "' is not a time of day");
  }
  return hh * 3600.0 + mm * 60.0 + *seconds;
}

// ddmm.mmmm (latitude, 2 degree digits) or dddmm.mmmm (longitude, 3), read
// as GPSBabel and gpsd read them: the number's hundreds are the degrees,
// so fewer leading digits than the field's width do ("5126.2728" is
// 051 degrees 26'), and a sign before it counts with the hemisphere's
// ("-3003.1914,N" lies south, as "3003.1914,S").
double Angle(std::string_view value, std::string_view hemisphere, int degree_digits, const char* sentence,
             const char* what) {
  const char positive = degree_digits == 2 ? 'N' : 'E';
  const char negative = degree_digits == 2 ? 'S' : 'W';
  const double limit = degree_digits == 2 ? 90.0 : 180.0;
  const std::string shown = std::string(value) + "," + std::string(hemisphere);
  const std::string named = std::string(sentence) + " " + what;
  const bool minus = value.starts_with('-');
  const std::string_view digits = minus || value.starts_with('+') ? value.substr(1) : value;
  const std::size_t dot = digits.find('.');
  const std::size_t integer_digits = dot == std::string_view::npos ? digits.size() : dot;
  if (integer_digits == 0 || integer_digits > static_cast<std::size_t>(degree_digits) + 2) {
    BadField(named + " '" + shown + "' is not " + (degree_digits == 2 ? "ddmm.mmmm" : "dddmm.mmmm"));
  }
  const std::optional<double> number = FieldNumber(digits);
  if (!number || digits.front() == '-' || digits.front() == '+' || !AllDigits(digits.substr(0, integer_digits)) ||
      std::fmod(*number, 100.0) >= 60.0) {
    BadField(named + " '" + shown + "' is not a number of degrees and minutes");
  }
  const double degrees = std::floor(*number / 100.0);
  const double angle = degrees + (*number - degrees * 100.0) / 60.0;
  if (hemisphere.size() != 1 || (hemisphere[0] != positive && hemisphere[0] != negative)) {
    BadField(named + " hemisphere '" + std::string(hemisphere) + "' is neither " + positive + " nor " + negative);
  }
  if (angle > limit) {
    BadField(named + " '" + shown + "' lies beyond " + std::to_string(static_cast<int>(limit)) + " degrees");
  }
  return (hemisphere[0] == negative) != minus ? -angle : angle;
}

// The talker identifiers of NMEA 0183 (satellite receivers GP, GL, GA, GB,
// BD, GQ, GI and the combined GN; compasses, sounders, radars, AIS and the
// other instruments), sorted. Proprietary sentences ("$P...") have none.
constexpr std::array<std::string_view, 88> kTalkers = {
    "AB", "AD", "AG", "AI", "AN", "AP", "AR", "AS", "AT", "AU", "AX", "BD", "BI", "BN", "CA", "CD", "CR", "CS",
    "CT", "CV", "CX", "DE", "DF", "DU", "EC", "EI", "EP", "ER", "FD", "FE", "FR", "FS", "GA", "GB", "GI", "GL",
    "GN", "GP", "GQ", "HC", "HD", "HE", "HF", "HN", "HS", "II", "IN", "LC", "MX", "NL", "NV", "NW", "QZ", "RA",
    "RB", "RC", "RI", "SA", "SD", "SG", "SI", "SN", "SS", "TC", "TI", "U0", "U1", "U2", "U3", "U4", "U5", "U6",
    "U7", "U8", "U9", "UP", "VD", "VM", "VR", "VS", "VW", "WD", "WI", "WL", "YX", "ZA", "ZC", "ZQ"};

static_assert(std::is_sorted(kTalkers.begin(), kTalkers.end()));

}  // namespace

// A number field: a number with "." as its decimal mark and no blanks, which
// no NMEA field holds.
std::optional<double> FieldNumber(std::string_view field) {
  if (field.find_first_of(" \t") != std::string_view::npos) return std::nullopt;
  return ParseFileNumber(field);
}

std::vector<std::string_view> SplitFields(std::string_view body) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = body.find(',', start);
    if (comma == std::string_view::npos) {
      fields.push_back(body.substr(start));
      return fields;
    }
    fields.push_back(body.substr(start, comma - start));
    start = comma + 1;
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Hex(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}



void Fail(Damage damage, const std::string& what) { throw Fault{damage, what}; }

std::optional<SentenceFix> ReadRmc(const std::vector<std::string_view>& f, int line) {
  if (f.size() < 10) BadField("RMC sentence with " + std::to_string(f.size() - 1) + " fields; it needs at least 9");
  if (f[2] == "V") return std::nullopt;
  if (f[2] != "A") BadField("RMC status '" + std::string(f[2]) + "' is neither A nor V");
  SentenceFix entry;
  entry.fix.line = line;
  entry.seconds_of_day = TimeOfDay(f[1], "RMC");
  entry.fix.latitude = Angle(f[3], f[4], 2, "RMC", "latitude");
  entry.fix.longitude = Angle(f[5], f[6], 3, "RMC", "longitude");
  if (!f[7].empty()) {
    const std::optional<double> knots = FieldNumber(f[7]);
    if (!knots || *knots < 0) BadField("RMC speed '" + std::string(f[7]) + "' is not a speed in knots");
    entry.fix.speed_mps = *knots * kMetresPerSecondPerKnot;
  }
  const std::string_view date = f[9];
  CivilDate civil;
  const bool digits = date.size() == 6 && AllDigits(date);
  if (digits) {
    civil.day = TwoDigits(date);
    civil.month = TwoDigits(date.substr(2));
    const int yy = TwoDigits(date.substr(4));
    civil.year = yy >= 80 ? 1900 + yy : 2000 + yy;  // NMEA years have two digits
  }
  if (!digits || !IsValidDate(civil)) BadField("RMC date '" + std::string(date) + "' is not ddmmyy");
  entry.date = civil;
  entry.fix.time = static_cast<double>(DaysFromCivil(civil)) * 86400.0 + entry.seconds_of_day;
  return entry;
}

std::optional<SentenceFix> ReadGga(const std::vector<std::string_view>& f, int line) {
  if (f.size() < 7) BadField("GGA sentence with " + std::to_string(f.size() - 1) + " fields; it needs at least 6");
  if (f[6].empty() || f[6] == "0") return std::nullopt;
  if (f[6].size() != 1 || f[6][0] < '0' || f[6][0] > '9') {
    BadField("GGA fix quality '" + std::string(f[6]) + "' is not a digit");
  }
  SentenceFix entry;
  entry.fix.line = line;
  entry.seconds_of_day = TimeOfDay(f[1], "GGA");
  entry.fix.latitude = Angle(f[2], f[3], 2, "GGA", "latitude");
  entry.fix.longitude = Angle(f[4], f[5], 3, "GGA", "longitude");
  return entry;
}

std::optional<SentenceFix> ReadGll(const std::vector<std::string_view>& f, int line) {
  if (f.size() < 5) BadField("GLL sentence with " + std::to_string(f.size() - 1) + " fields; it needs at least 4");
  // NMEA 1.5 wrote no time or status: such a GLL gives no fix of a time.
  if (f.size() < 7 || f[5].empty() || f[6].empty()) return std::nullopt;
  if (f[6] == "V") return std::nullopt;
  if (f[6] != "A") BadField("GLL status '" + std::string(f[6]) + "' is neither A nor V");
  if (f.size() > 7 && f[7] == "N") return std::nullopt;  // mode: not valid
  SentenceFix entry;
  entry.fix.line = line;
  entry.seconds_of_day = TimeOfDay(f[5], "GLL");
  entry.fix.latitude = Angle(f[1], f[2], 2, "GLL", "latitude");
  entry.fix.longitude = Angle(f[3], f[4], 3, "GLL", "longitude");
  return entry;
}

std::optional<ZdaDate> ReadZda(const std::vector<std::string_view>& f) {
  if (f.size() < 5) BadField("ZDA sentence with " + std::to_string(f.size() - 1) + " fields; it needs at least 4");
  if (f[1].empty() || f[2].empty() || f[3].empty() || f[4].empty()) return std::nullopt;
  ZdaDate zda;
  zda.seconds_of_day = TimeOfDay(f[1], "ZDA");
  const std::string shown = std::string(f[2]) + "," + std::string(f[3]) + "," + std::string(f[4]);
  if (f[2].size() != 2 || f[3].size() != 2 || f[4].size() != 4 || !AllDigits(f[2]) || !AllDigits(f[3]) ||
      !AllDigits(f[4])) {
    BadField("ZDA date '" + shown + "' is not dd,mm,yyyy");
  }
  zda.date = {TwoDigits(f[4]) * 100 + TwoDigits(f[4].substr(2)), TwoDigits(f[3]), TwoDigits(f[2])};
  if (!IsValidDate(zda.date)) BadField("ZDA date '" + shown + "' is no day of the calendar");
  return zda;
}

bool KnownTalker(std::string_view talker) {
  return std::binary_search(kTalkers.begin(), kTalkers.end(), talker);
}

// An address field: a talker and a sentence type of three letters
// ("GPRMC"), or "P" and a maker's sentence ("PGRME", "PSRF140").
bool WellFormedAddress(std::string_view address) {
  for (char c : address) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return address.size() == 5 || (address.size() >= 2 && address[0] == 'P');
}

}  // namespace trezik::drive::nmea
