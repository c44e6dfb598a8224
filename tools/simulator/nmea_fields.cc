#include "tools/simulator/nmea_fields.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/convert.h"

namespace trezik::drive::nmea {
namespace {

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
