// A recorded drive: the GPS fixes of one trip in time order, whatever file
// they came from.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace trezik::drive {

struct Fix {
  double time = 0.0;  // seconds since 1970-01-01 UTC
  double latitude = 0.0;   // signed decimal degrees
  double longitude = 0.0;  // signed decimal degrees
  std::optional<double> speed_mps;  // as the receiver reported it, when it did
  int line = 0;  // the line of the file it came from
};

// Why a reader skipped a sentence or a track point.
enum class Damage {
  kBadChecksum,    // NMEA: the checksum does not match the sentence's bytes
  kNoChecksum,     // NMEA: no "*" at the end (refused only when reading strictly)
  kUnknownTalker,  // NMEA: the address names a talker no NMEA 0183 device is
  kCutOff,         // NMEA: the line ends before its sentence does
  kGarbled,        // NMEA: no sentence at all, or bytes that no sentence holds
  kBadField,       // a position, time, date, speed or status that cannot be read
  kTimeGoesBack,   // a fix earlier than the one kept before it
  kNoTime,         // GPX: a track point without <time>
};
constexpr std::size_t kDamageKinds = 8;

// "with a bad checksum", "cut off", ...: what a skipped line or point was.
const char* DamageText(Damage damage);

// The lines skipped for one kind of damage.
struct Skipped {
  Damage damage = Damage::kGarbled;
  std::size_t count = 0;
  std::vector<int> first_lines;  // the first few, in file order
  std::string first_what;        // what was wrong with the first, in the reader's words
};

// Track points marked <fix>none</fix> one after the other, which the drive
// leaves out.
struct NoFixStretch {
  int first_line = 0;
  std::size_t points = 0;
  double start_time = 0.0;  // of its first point
  // Of the first kept fix after it, or of its own last point at the end.
  double end_time = 0.0;
  double metres = 0.0;  // along its points, up to that fix (WGS84 geodesic)
};

struct Drive {
  std::string path;
  std::string format;      // "GPX 1.1", "GPX 1.0", "NMEA 0183"
  std::vector<Fix> fixes;  // strictly increasing in time
  // Points or sentences read and left out, with the reason, for the summary
  // ("12 RMC sentences with status V").
  std::vector<std::string> notes;
  // What was skipped as damaged, one entry per kind that occurred, in the
  // order of Damage. Each also has its line in `notes`.
  std::vector<Skipped> skipped;
  std::vector<NoFixStretch> no_fix;  // GPX only
  std::size_t unchecked_sentences = 0;  // NMEA: sentences read without a checksum
  // The log gives no date (NMEA with GGA alone): the fixes are dated
  // 2000-01-01, which is no fact to report as one.
  bool date_assumed = false;
  // The offset from UTC the log's own times carry (a GPX time written
  // "+02:00"), from its first fix that has one; none when its times are UTC
  // ("Z") or say nothing.
  std::optional<double> utc_offset_hours;

  double start_time() const { return fixes.front().time; }
  double end_time() const { return fixes.back().time; }
  double duration() const { return end_time() - start_time(); }
  // True when every fix carries the receiver's speed.
  bool has_speed() const;
  // How many lines or points were skipped for `damage`.
  std::size_t skipped_count(Damage damage) const;
};

// The longest drive replayed, from the first fix to the last: the simulator
// ticks and keeps a record for every second of it.
constexpr double kLongestDriveSeconds = 31 * 86400.0;

struct ReadOptions {
  // Refuse the file at the first damaged sentence or track point, instead of
  // skipping it and counting it.
  bool strict = false;
  // Keep GPX track points marked <fix>none</fix> as fixes (their position is
  // the receiver's last guess) instead of leaving them out.
  bool keep_nofix = false;
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


// Collects what a reader skips; reading strictly, refuses the first instead.
class DamageTally {
 public:
  DamageTally(std::string path, ReadOptions options) : path_(std::move(path)), options_(options) {}
  // Skips `line` for `damage`; strict, throws DriveError(path, line, what).
  void Skip(Damage damage, int line, const std::string& what);
  std::size_t total() const;
  // "3 with a bad checksum, 1 cut off", or "" when nothing was skipped.
  std::string Counts() const;
  // For a refusal: " (skipped: 3 with a bad checksum, 96 garbled; most of
  // them garbled, the first at line 2: ...)" naming the most common kind with its
  // first line and what was wrong there; "" when nothing was skipped.
  std::string Refusal() const;
  // Fills drive.skipped, and a line of drive.notes for each kind:
  // "skipped 3 lines with a bad checksum (lines 12, 40, 97)"; `unit` names
  // what was skipped ("line", "track point").
  void Record(Drive& drive, const std::string& unit) const;

 private:
  std::string path_;
  ReadOptions options_;
  Skipped kinds_[kDamageKinds] = {};
};

// Ends a reader's work on the fixes in file order: a fix that repeats the
// time of the one kept before it is dropped (and noted), one whose time goes
// back is skipped as damage. Then records what `tally` skipped, and refuses
// a drive of fewer than two fixes (naming what was skipped) or one longer
// than kLongestDriveSeconds.
void FinishDrive(Drive& drive, DamageTally& tally, const std::string& unit);

}  // namespace trezik::drive
