// NMEA 0183 logs: RMC and GGA sentences, every checksum verified.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

#include "tools/simulator/drive.h"

namespace trezik::drive {

// Fixes from RMC sentences with status A and GGA sentences with a fix
// quality above 0, from any talker (GP, GN, GL, ...). RMC gives the date and
// the speed over ground; a GGA fix whose time has no RMC fix fills the gap
// and takes its date from the RMC sentences around it. Other sentences are
// skipped once their checksum holds. NUL bytes before a sentence (written by
// some receivers when they restart) are ignored.
//
// As receivers' logs go, a line may be damaged: a bad or missing checksum,
// an address whose talker is no NMEA 0183 talker, a sentence cut off (by the
// end of the file, or by the next sentence starting in the same line),
// bytes that no sentence holds, a field that cannot be read, a fix whose
// time goes back. Such a line is skipped and counted by kind (Drive::skipped
// and its notes); reading strictly, it is refused with DriveError naming
// the line. A log that leaves fewer than two fixes is refused.
// Read line by line from `in`, in memory for the fixes kept rather than for
// the log's bytes.
Drive ReadNmea(const std::string& path, std::istream& in, ReadOptions options = {});
Drive ReadNmea(const std::string& path, const std::string& content, ReadOptions options = {});

// The checksum of a sentence: XOR of the bytes between "$" and "*".
std::uint8_t NmeaChecksum(std::string_view body);

}  // namespace trezik::drive
