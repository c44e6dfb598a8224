// NMEA 0183 logs: RMC and GGA sentences, every checksum verified.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/simulator/drive.h"

namespace trezik::drive {

// Fixes from RMC sentences with status A and GGA sentences with a fix
// quality above 0, from any talker (GP, GN, GL, ...). RMC gives the date and
// the speed over ground; a GGA fix whose time has no RMC fix fills the gap
// and takes its date from the RMC sentences around it. Other sentences are
// skipped once their checksum holds. Every line must be a sentence with a
// valid checksum; NUL bytes before a sentence (written by some receivers
// when they restart) are ignored. Throws DriveError with the line of the
// fault.
Drive ReadNmea(const std::string& path, const std::string& content);

// The checksum of a sentence: XOR of the bytes between "$" and "*".
std::uint8_t NmeaChecksum(std::string_view body);

}  // namespace trezik::drive
