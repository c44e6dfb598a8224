// Reading a drive: the file's first bytes tell a GPX track from an NMEA
// log, and the reader of that kind reads it. Above both readers, which
// share drive.h below them.
#pragma once

#include <string>

#include "tools/tracks/drive.h"

namespace trezik::drive {

// Reads a GPX track or an NMEA log, told apart by its first bytes, from a
// regular file or from standard input ("-"), within kLargestInputBytes
// (input_file.h). UTF-16 text (told by its byte order mark, or by a NUL
// byte beside each ASCII character) is read as the UTF-8 it holds; binary
// data with NMEA sentences among it is read as a capture of binary receiver
// messages, the NMEA sentences between them. Throws DriveError on a folder,
// a device or a pipe, a file larger than that, an empty file, a file that
// is not text and holds no NMEA sentence, one that cannot be read or that
// leaves fewer than two usable fixes, one that lasts longer than
// kLongestDriveSeconds, and (strict) at the first damage.
Drive ReadDrive(const std::string& path, ReadOptions options = {});


// Reads the whole file as ReadInputFile does; DriveError when it cannot.
std::string ReadWholeFile(const std::string& path);

}  // namespace trezik::drive
