// The pieces of an NMEA sentence as the log reader takes it apart: its
// fields, numbers, checksum digits and address.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trezik::drive::nmea {

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
