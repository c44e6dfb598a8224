// A recorded drive: the GPS fixes of one trip in time order, whatever file
// they came from.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace trezik::drive {

struct Fix {
  double time = 0.0;  // seconds since 1970-01-01 UTC
  double latitude = 0.0;   // signed decimal degrees
  double longitude = 0.0;  // signed decimal degrees
  std::optional<double> speed_mps;  // as the receiver reported it, when it did
  int line = 0;  // the line of the file it came from
};

struct Drive {
  std::string path;
  std::string format;      // "GPX 1.1", "GPX 1.0", "NMEA 0183"
  std::vector<Fix> fixes;  // strictly increasing in time
  // Points or sentences read and left out, with the reason, for the summary
  // ("12 RMC sentences with status V").
  std::vector<std::string> notes;

  double start_time() const { return fixes.front().time; }
  double end_time() const { return fixes.back().time; }
  double duration() const { return end_time() - start_time(); }
  // True when every fix carries the receiver's speed.
  bool has_speed() const;
};

// Bad input: names the file, the line (0 when none applies) and the fault.
class DriveError : public std::runtime_error {
 public:
  DriveError(const std::string& path, int line, const std::string& what);
  const std::string& path() const { return path_; }
  int line() const { return line_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  int line_;
  std::string reason_;
};

// Reads a GPX track or an NMEA log, told apart by its first bytes. Throws
// DriveError on a file that cannot be read, that is malformed, or that holds
// fewer than two fixes.
Drive ReadDrive(const std::string& path);

// Reads the whole file; DriveError when it cannot.
std::string ReadWholeFile(const std::string& path);

// Sorts nothing: checks that times rise, drops a fix that repeats the time of
// the one before it (noting it), and fails on a time that goes back.
void CheckTimeOrder(Drive& drive);

}  // namespace trezik::drive
