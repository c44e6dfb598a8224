// NMEA 0183 logs: RMC and GGA sentences, every checksum verified.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

#include "tools/tracks/drive.h"

namespace trezik::drive {

// Fixes from RMC sentences with status A and GGA sentences with a fix
// quality above 0, from any talker (GP, GN, GL, ...). RMC gives the date and
// the speed over ground; a GGA fix whose time has no RMC fix fills the gap
// and takes its date from the RMC or ZDA sentences around it (a log with
// neither is dated 2000-01-01, and Drive::date_assumed says so). Other
// sentences are skipped once their checksum holds. Lines end at LF, CR LF,
// CR CR LF or a lone CR; a UTF-8 byte order mark, NUL bytes before a
// sentence (written by some receivers when they restart) and comment lines
// starting with '#' (gpsd's) are passed over, the comments counted. A
// sentence that comes up to a second after a later one is put back in time
// order; fixes that go back further, ten and more one after the other, are a
// later capture appended to the log, left out and named in one note.
// With `between_binary`, the log is a capture of binary receiver messages
// with NMEA sentences between them: whatever is no sentence is skipped up to
// the next '$' and its bytes counted, not taken for damage.
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
Drive ReadNmea(const std::string& path, std::istream& in, ReadOptions options = {}, bool between_binary = false);
Drive ReadNmea(const std::string& path, const std::string& content, ReadOptions options = {},
               bool between_binary = false);

// The checksum of a sentence: XOR of the bytes between "$" and "*".
std::uint8_t NmeaChecksum(std::string_view body);

}  // namespace trezik::drive
