// The files trezik-drive reads (the drive and the skin script): regular
// files of a bounded size, or standard input, read whole within that bound.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

namespace trezik::drive {

// The largest drive or script read: 31 days of one-second NMEA fixes with
// RMC and GGA take about 200 MB, as GPX with a speed about 450 MB.
inline constexpr std::uintmax_t kLargestInputBytes = std::uintmax_t{1} << 30;

// The name "-" stands for standard input, "standard input" is how messages
// name it.
inline constexpr char kStandardInputName[] = "standard input";
std::string InputName(const std::string& path);

// Reads `path` whole, or standard input for "-". Refuses, with DriveError
// naming the file in one line and before reading a byte: a folder, anything
// that is not a regular file (a device such as /dev/zero, a pipe, a socket),
// a file larger than `limit` bytes. Standard input is read up to `limit`
// bytes and refused when it holds more.
std::string ReadInputFile(const std::string& path, std::uintmax_t limit = kLargestInputBytes);

// Reads `in` up to `limit` bytes; DriveError naming `name` when it holds
// more or cannot be read.
std::string ReadWithin(std::istream& in, const std::string& name, std::uintmax_t limit);

}  // namespace trezik::drive
