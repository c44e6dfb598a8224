// GPX 1.0 and 1.1 tracks, read as a stream with expat.
#pragma once

#include <istream>
#include <string>

#include "tools/tracks/drive.h"

namespace trezik::drive {

// Every <trkpt> of every <trkseg> of every <trk>, in file order. A point needs
// lat, lon and <time>; its speed comes from <speed> (GPX 1.0) or from an
// extension element named "speed" (GPX 1.1, for instance Garmin's
// TrackPointExtension), in metres per second. Points marked <fix>none</fix>
// are left out; the drive notes how many, and Drive::no_fix the stretches of
// time and road they cover. A point with a field that cannot be read, or
// whose time goes back, is skipped and counted (Drive::skipped); reading
// strictly, it is refused. A file that is no well-formed XML is refused, as
// GPX tools do. Throws DriveError with the line of the fault.
// Read as it streams from `in`, in memory for the fixes kept rather than for
// the file's bytes.
// `encoding`, when given, overrides what the file declares (a UTF-16 file
// comes decoded to UTF-8).
Drive ReadGpx(const std::string& path, std::istream& in, ReadOptions options = {}, const char* encoding = nullptr);
Drive ReadGpx(const std::string& path, const std::string& content, ReadOptions options = {});

}  // namespace trezik::drive
