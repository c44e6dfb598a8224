#include "tools/simulator/nmea_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <deque>
#include <sstream>
#include <vector>

#include "core/convert.h"
#include "tools/simulator/civil_time.h"
#include "tools/simulator/input_file.h"
#include "tools/simulator/nmea_fields.h"

namespace trezik::drive {

std::uint8_t NmeaChecksum(std::string_view body) {
  std::uint8_t sum = 0;
  for (char c : body) sum ^= static_cast<std::uint8_t>(c);
  return sum;
}

namespace {

using namespace nmea;

constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;

// A sentence or a line that is skipped (or, reading strictly, refused).
struct Fault {
  Damage damage;
  std::string what;
};

[[noreturn]] void Fail(Damage damage, const std::string& what) { throw Fault{damage, what}; }
[[noreturn]] void BadField(const std::string& what) { Fail(Damage::kBadField, what); }

struct LineFix {
  Fix fix;
  double seconds_of_day = 0.0;
  std::optional<CivilDate> date;  // RMC only
};

class NmeaReader {
 public:
  NmeaReader(const std::string& path, std::istream& in, ReadOptions options)
      : path_(path), lines_in_(in, path), tally_(path, options), strict_(options.strict) {}

  // Line by line: a long log takes memory for its fixes, not for its bytes.
  Drive Read() {
    std::string buffer;
    while (lines_in_.Next(buffer)) {
      const int line = lines_in_.number();
      std::string_view text(buffer);
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      while (!text.empty() && text.front() == '\0') text.remove_prefix(1);
      if (text.find_first_not_of(" \t") == std::string_view::npos) continue;
      ++lines_;
      if (lines_in_.too_long()) {
        tally_.Skip(Damage::kGarbled, line,
                    "line longer than " + std::to_string(LineReader::kLongestLine) + " bytes: no NMEA sentence is");
        continue;
      }
      ReadLine(text, line, lines_in_.unterminated());
    }
    return Finish();
  }

 private:
  // Every "$" starts a sentence: a receiver that restarts or loses bytes
  // leaves a sentence unfinished and goes on with the next in the same line.
  void ReadLine(std::string_view text, int line, bool unterminated) {
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t next = text.find('$', at + 1);
      const std::string_view piece = text.substr(at, next == std::string_view::npos ? next : next - at);
      try {
        if (at == 0 && piece.front() != '$' && piece.front() != '!') {
          if (next != std::string_view::npos && piece.find_first_not_of(" \t") == std::string_view::npos) {
            at = next;  // blanks before the sentence
            continue;
          }
          Fail(Damage::kGarbled, "not an NMEA sentence: it does not start with '$'");
        }
        ++sentences_;
        if (next != std::string_view::npos) {
          Fail(Damage::kCutOff, "sentence cut off: the next one starts in the same line");
        }
        ReadSentence(piece, line, unterminated);
      } catch (const Fault& fault) {
        tally_.Skip(fault.damage, line, fault.what);
      }
      at = next == std::string_view::npos ? text.size() : next;
    }
  }

  // `unterminated`: the last line of a file that does not end with a line
  // end, where a missing checksum means that the file was cut off.
  void ReadSentence(std::string_view text, int line, bool unterminated) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto byte = static_cast<unsigned char>(text[i]);
      if (byte < 0x20 || byte > 0x7E) {
        Fail(Damage::kGarbled, "byte 0x" + Hex(byte) + " in column " + std::to_string(i + 1) +
                                   ": NMEA sentences hold printable ASCII only");
      }
    }
    // The checksum is optional for most sentences and many loggers leave it
    // out: such a sentence is read as it stands and counted. One that has a
    // checksum must match it.
    const std::size_t star = text.rfind('*');
    std::string_view body;
    if (star == std::string_view::npos) {
      if (unterminated && checksummed_ > 0) Fail(Damage::kCutOff, "the file ends inside a sentence, before its checksum");
      if (strict_) Fail(Damage::kNoChecksum, "sentence without a checksum ('*' and two hex digits)");
      body = text.substr(1);
    } else {
      body = text.substr(1, star - 1);
      const std::string_view given = text.substr(star + 1);
      if (given.size() != 2 || HexValue(given[0]) < 0 || HexValue(given[1]) < 0) {
        if (unterminated && given.size() < 2 && (given.empty() || HexValue(given[0]) >= 0)) {
          Fail(Damage::kCutOff, "the file ends inside the checksum of a sentence");
        }
        Fail(Damage::kBadChecksum, "checksum field '" + std::string(given) + "' is not two hex digits");
      }
      const int expected = HexValue(given[0]) * 16 + HexValue(given[1]);
      const int actual = NmeaChecksum(body);
      if (expected != actual) {
        Fail(Damage::kBadChecksum,
             "checksum mismatch: the sentence says " + Hex(expected) + ", its bytes give " + Hex(actual));
      }
      ++checksummed_;
    }
    const std::vector<std::string_view> fields = SplitFields(body);
    const std::string_view address = fields[0];
    if (!WellFormedAddress(address)) {
      Fail(Damage::kGarbled, "address '" + std::string(address) + "' is neither a talker and a sentence type nor "
                                                                  "a proprietary one");
    }
    if (address[0] != 'P' && !KnownTalker(address.substr(0, 2))) {
      Fail(Damage::kUnknownTalker,
           "talker '" + std::string(address.substr(0, 2)) + "' of " + std::string(address) + " is no NMEA 0183 talker");
    }
    if (address.size() == 5 && address.substr(2) == "RMC") {
      ReadRmc(fields, line);
    } else if (address.size() == 5 && address.substr(2) == "GGA") {
      ReadGga(fields, line);
    }
    if (star == std::string_view::npos) ++unchecked_;
  }

  static double TimeOfDay(std::string_view field, const char* sentence) {
    const std::string not_hhmmss = std::string(sentence) + " time '" + std::string(field) + "' is not hhmmss";
    if (field.size() < 6) BadField(not_hhmmss);
    for (int i = 0; i < 6; ++i) {
      if (field[i] < '0' || field[i] > '9') BadField(not_hhmmss);
    }
    const int hh = (field[0] - '0') * 10 + (field[1] - '0');
    const int mm = (field[2] - '0') * 10 + (field[3] - '0');
    const std::optional<double> seconds = FieldNumber(field.substr(4));
    if (!seconds || hh > 23 || mm > 59 || *seconds >= 61) {
      BadField(std::string(sentence) + " time '" + std::string(field) + "' is not a time of day");
    }
    return hh * 3600.0 + mm * 60.0 + *seconds;
  }

  // ddmm.mmmm (latitude, 2 degree digits) or dddmm.mmmm (longitude, 3).
  static double Angle(std::string_view value, std::string_view hemisphere, int degree_digits, const char* sentence,
                      const char* what) {
    const char positive = degree_digits == 2 ? 'N' : 'E';
    const char negative = degree_digits == 2 ? 'S' : 'W';
    const double limit = degree_digits == 2 ? 90.0 : 180.0;
    const std::string shown = std::string(value) + "," + std::string(hemisphere);
    const std::string named = std::string(sentence) + " " + what;
    const std::size_t dot = value.find('.');
    const std::size_t integer_digits = dot == std::string_view::npos ? value.size() : dot;
    if (integer_digits != static_cast<std::size_t>(degree_digits) + 2) {
      BadField(named + " '" + shown + "' is not " + (degree_digits == 2 ? "ddmm.mmmm" : "dddmm.mmmm"));
    }
    const std::optional<double> degrees = FieldNumber(value.substr(0, degree_digits));
    const std::optional<double> minutes = FieldNumber(value.substr(degree_digits));
    if (!degrees || !minutes || value.front() == '-' || value.front() == '+' || *minutes >= 60.0) {
      BadField(named + " '" + shown + "' is not a number of degrees and minutes");
    }
    const double angle = *degrees + *minutes / 60.0;
    if (hemisphere.size() != 1 || (hemisphere[0] != positive && hemisphere[0] != negative)) {
      BadField(named + " hemisphere '" + std::string(hemisphere) + "' is neither " + positive + " nor " + negative);
    }
    if (angle > limit) {
      BadField(named + " '" + shown + "' lies beyond " + std::to_string(static_cast<int>(limit)) + " degrees");
    }
    return hemisphere[0] == negative ? -angle : angle;
  }

  void ReadRmc(const std::vector<std::string_view>& f, int line) {
    if (f.size() < 10) BadField("RMC sentence with " + std::to_string(f.size() - 1) + " fields; it needs at least 9");
    if (f[2] == "V") {
      ++void_rmc_;
      return;
    }
    if (f[2] != "A") BadField("RMC status '" + std::string(f[2]) + "' is neither A nor V");
    LineFix entry;
    entry.fix.line = line;
    entry.seconds_of_day = TimeOfDay(f[1], "RMC");
    entry.fix.latitude = Angle(f[3], f[4], 2, "RMC", "latitude");
    entry.fix.longitude = Angle(f[5], f[6], 3, "RMC", "longitude");
    if (!f[7].empty()) {
      const std::optional<double> knots = FieldNumber(f[7]);
      if (!knots || *knots < 0) BadField("RMC speed '" + std::string(f[7]) + "' is not a speed in knots");
      entry.fix.speed_mps = *knots * kMetresPerSecondPerKnot;
    }
    const std::string_view date = f[9];
    bool digits = date.size() == 6;
    for (char c : date) digits = digits && c >= '0' && c <= '9';
    CivilDate civil;
    if (digits) {
      civil.day = (date[0] - '0') * 10 + (date[1] - '0');
      civil.month = (date[2] - '0') * 10 + (date[3] - '0');
      const int yy = (date[4] - '0') * 10 + (date[5] - '0');
      civil.year = yy >= 80 ? 1900 + yy : 2000 + yy;  // NMEA years have two digits
    }
    if (!digits || !IsValidDate(civil)) BadField("RMC date '" + std::string(date) + "' is not ddmmyy");
    entry.date = civil;
    entry.fix.time = static_cast<double>(DaysFromCivil(civil)) * 86400.0 + entry.seconds_of_day;
    Accept(entry, true);
  }

  void ReadGga(const std::vector<std::string_view>& f, int line) {
    if (f.size() < 7) BadField("GGA sentence with " + std::to_string(f.size() - 1) + " fields; it needs at least 6");
    if (f[6].empty() || f[6] == "0") {
      ++no_fix_gga_;
      return;
    }
    if (f[6].size() != 1 || f[6][0] < '0' || f[6][0] > '9') {
      BadField("GGA fix quality '" + std::string(f[6]) + "' is not a digit");
    }
    LineFix entry;
    entry.fix.line = line;
    entry.seconds_of_day = TimeOfDay(f[1], "GGA");
    entry.fix.latitude = Angle(f[2], f[3], 2, "GGA", "latitude");
    entry.fix.longitude = Angle(f[4], f[5], 3, "GGA", "longitude");
    Accept(entry, false);
  }

  static long long Key(double seconds) { return std::llround(seconds * 1000.0); }  // milliseconds

  // Takes a fix in file order. A GGA fix is dated by the RMC before it in
  // the file (those before the first RMC by the first one, at the end),
  // stepping to the next day when the time of day falls back by more than
  // twelve hours. A fix whose time lies before the latest kept before it is
  // skipped; at the same time RMC wins over GGA, and a repeated RMC is left
  // out.
  void Accept(LineFix& entry, bool is_rmc) {
    if (last_seconds_ >= 0 && entry.seconds_of_day + 43200.0 < last_seconds_) {
      if (date_) {
        date_ = CivilFromDays(DaysFromCivil(*date_) + 1);
      } else {
        ++undated_days_;
      }
    }
    last_seconds_ = entry.seconds_of_day;
    if (is_rmc) {
      ++rmc_count_;
      if (!date_) Date(static_cast<double>(DaysFromCivil(*entry.date)) * 86400.0);
      date_ = entry.date;
    } else {
      entry.fix.time = date_ ? static_cast<double>(DaysFromCivil(*date_)) * 86400.0 + entry.seconds_of_day
                             : undated_days_ * 86400.0 + entry.seconds_of_day;
      if (!date_) ++undated_;
    }
    const Fix& fix = entry.fix;
    if (latest_ && Key(fix.time) < Key(latest_->time)) {
      char back[32];
      std::snprintf(back, sizeof back, "%.3f", latest_->time - fix.time);
      tally_.Skip(Damage::kTimeGoesBack, fix.line,
                  std::string("time goes back ") + back + " s from the fix of line " + std::to_string(latest_->line));
      return;
    }
    latest_ = fix;
    if (!fixes_.empty() && Key(fixes_.back().time) == Key(fix.time)) {
      if (!is_rmc) return;  // the time has a fix already
      if (last_is_rmc_) {
        ++repeated_;
        return;
      }
      fixes_.back() = fix;  // RMC takes the GGA's place
      last_is_rmc_ = true;
      --filled_;
      return;
    }
    fixes_.push_back(fix);
    last_is_rmc_ = is_rmc;
    if (!is_rmc) ++filled_;
  }

  // The GGA fixes read before the first RMC get its date (or 2000-01-01).
  void Date(double day_start) {
    for (std::size_t i = 0; i < undated_; ++i) fixes_[i].time += day_start;
    if (latest_ && undated_ > 0) latest_->time += day_start;
    undated_ = 0;
  }

  Drive Finish() {
    Drive drive;
    drive.path = path_;
    drive.format = "NMEA 0183";
    const bool dated = date_.has_value();
    if (!dated) Date(static_cast<double>(DaysFromCivil(CivilDate{2000, 1, 1})) * 86400.0);
    // Into a vector of the exact size: a long drive's fixes are the bulk
    // of what the simulator keeps.
    drive.fixes.reserve(fixes_.size());
    drive.fixes.assign(fixes_.begin(), fixes_.end());
    fixes_.clear();
    if (drive.fixes.empty()) {
      std::string what = sentences_ == 0 ? "neither a GPX track (it does not start with '<') nor an NMEA log (none "
                                           "of its " + std::to_string(lines_) + " lines starts with '$')"
                                         : "no usable fix is left: no RMC or GGA sentence with a valid fix";
      if (tally_.total() > 0) what += " (skipped: " + tally_.Counts() + ")";
      throw DriveError(path_, 0, what);
    }
    if (void_rmc_ > 0) drive.notes.push_back(std::to_string(void_rmc_) + " RMC sentence(s) with status V (no fix) left out");
    if (no_fix_gga_ > 0) drive.notes.push_back(std::to_string(no_fix_gga_) + " GGA sentence(s) without a fix left out");
    if (repeated_ > 0) {
      drive.notes.push_back(std::to_string(repeated_) + " RMC sentence(s) repeat the time of one before and are left out");
    }
    if (filled_ > 0 && rmc_count_ > 0) {
      drive.notes.push_back(std::to_string(filled_) + " GGA fix(es) fill times that have no RMC fix");
    }
    drive.unchecked_sentences = unchecked_;
    if (unchecked_ > 0) {
      drive.notes.push_back("without checksum: " + std::to_string(unchecked_) +
                            " sentence(s), read as they stand (the checksum is optional)");
    }
    if (!dated) drive.notes.push_back("no RMC date in the log: the drive is dated 2000-01-01");
    FinishDrive(drive, tally_, "line");
    return drive;
  }

  const std::string& path_;
  LineReader lines_in_;
  DamageTally tally_;
  std::size_t lines_ = 0;      // lines that are not blank
  std::size_t sentences_ = 0;  // pieces of lines that start with '$' or '!'
  // The fixes kept so far, in chunks (a long log grows them without copies).
  std::deque<Fix> fixes_;
  bool last_is_rmc_ = false;  // of fixes_.back()
  std::optional<Fix> latest_;  // the latest fix taken in file order
  std::optional<CivilDate> date_;  // of the RMC read last
  double last_seconds_ = -1;       // the time of day of the fix taken last
  std::size_t undated_ = 0;        // GGA fixes at the start, before any RMC
  int undated_days_ = 0;           // days they stepped across
  std::size_t rmc_count_ = 0, repeated_ = 0, filled_ = 0;
  std::size_t void_rmc_ = 0;
  std::size_t no_fix_gga_ = 0;
  bool strict_ = false;
  std::size_t checksummed_ = 0;  // sentences read with a matching checksum
  std::size_t unchecked_ = 0;    // sentences read without one
};

}  // namespace

Drive ReadNmea(const std::string& path, std::istream& in, ReadOptions options) {
  return NmeaReader(path, in, options).Read();
}

Drive ReadNmea(const std::string& path, const std::string& content, ReadOptions options) {
  std::istringstream in(content);
  return ReadNmea(path, in, options);
}

}  // namespace trezik::drive
