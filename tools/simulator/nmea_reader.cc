#include "tools/simulator/nmea_reader.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "core/convert.h"
#include "tools/simulator/civil_time.h"

namespace trezik::drive {

std::uint8_t NmeaChecksum(std::string_view body) {
  std::uint8_t sum = 0;
  for (char c : body) sum ^= static_cast<std::uint8_t>(c);
  return sum;
}

namespace {

constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;

// A number field: a number with "." as its decimal mark and no blanks, which
// no NMEA field holds.
std::optional<double> FieldNumber(std::string_view field) {
  if (field.find_first_of(" \t") != std::string_view::npos) return std::nullopt;
  return ParseFileNumber(field);
}

std::vector<std::string_view> SplitFields(std::string_view body) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = body.find(',', start);
    if (comma == std::string_view::npos) {
      fields.push_back(body.substr(start));
      return fields;
    }
    fields.push_back(body.substr(start, comma - start));
    start = comma + 1;
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Hex(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

struct LineFix {
  Fix fix;
  double seconds_of_day = 0.0;
  std::optional<CivilDate> date;  // RMC only
};

class NmeaReader {
 public:
  NmeaReader(const std::string& path, const std::string& content) : path_(path), content_(content) {}

  Drive Read() {
    std::size_t start = 0;
    int line = 0;
    while (start < content_.size()) {
      std::size_t end = content_.find('\n', start);
      if (end == std::string::npos) end = content_.size();
      ++line;
      std::string_view text(content_.data() + start, end - start);
      start = end + 1;
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      while (!text.empty() && text.front() == '\0') text.remove_prefix(1);
      if (text.find_first_not_of(" \t") == std::string_view::npos) continue;
      ReadSentence(text, line);
    }
    return Merge();
  }

 private:
  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw DriveError(path_, line, what);
  }

  void ReadSentence(std::string_view text, int line) {
    if (text.front() != '$' && text.front() != '!') {
      Fail(line, "not an NMEA sentence: it does not start with '$'");
    }
    const std::size_t star = text.rfind('*');
    if (star == std::string_view::npos) Fail(line, "sentence without a checksum ('*' and two hex digits)");
    const std::string_view body = text.substr(1, star - 1);
    const std::string_view given = text.substr(star + 1);
    if (given.size() != 2 || HexValue(given[0]) < 0 || HexValue(given[1]) < 0) {
      Fail(line, "checksum field '" + std::string(given) + "' is not two hex digits");
    }
    const int expected = HexValue(given[0]) * 16 + HexValue(given[1]);
    const int actual = NmeaChecksum(body);
    if (expected != actual) {
      Fail(line, "checksum mismatch: the sentence says " + Hex(expected) + ", its bytes give " + Hex(actual));
    }
    const std::vector<std::string_view> fields = SplitFields(body);
    const std::string_view address = fields[0];
    if (address.size() == 5 && address.substr(2) == "RMC") {
      ReadRmc(fields, line);
    } else if (address.size() == 5 && address.substr(2) == "GGA") {
      ReadGga(fields, line);
    }
  }

  double TimeOfDay(std::string_view field, int line, const char* sentence) const {
    int hh = 0, mm = 0;
    double ss = 0;
    if (field.size() < 6) Fail(line, std::string(sentence) + " time '" + std::string(field) + "' is not hhmmss");
    for (int i = 0; i < 6; ++i) {
      if (field[i] < '0' || field[i] > '9') {
        Fail(line, std::string(sentence) + " time '" + std::string(field) + "' is not hhmmss");
      }
    }
    hh = (field[0] - '0') * 10 + (field[1] - '0');
    mm = (field[2] - '0') * 10 + (field[3] - '0');
    const std::optional<double> seconds = FieldNumber(field.substr(4));
    if (!seconds || hh > 23 || mm > 59 || *seconds >= 61) {
      Fail(line, std::string(sentence) + " time '" + std::string(field) + "' is not a time of day");
    }
    ss = *seconds;
    return hh * 3600.0 + mm * 60.0 + ss;
  }

  // ddmm.mmmm (latitude, 2 degree digits) or dddmm.mmmm (longitude, 3).
  double Angle(std::string_view value, std::string_view hemisphere, int degree_digits, int line,
               const char* sentence, const char* what) const {
    const char positive = degree_digits == 2 ? 'N' : 'E';
    const char negative = degree_digits == 2 ? 'S' : 'W';
    const double limit = degree_digits == 2 ? 90.0 : 180.0;
    const std::string shown = std::string(value) + "," + std::string(hemisphere);
    const std::size_t dot = value.find('.');
    const std::size_t integer_digits = dot == std::string_view::npos ? value.size() : dot;
    if (integer_digits != static_cast<std::size_t>(degree_digits) + 2) {
      Fail(line, std::string(sentence) + " " + what + " '" + shown + "' is not " +
                     (degree_digits == 2 ? "ddmm.mmmm" : "dddmm.mmmm"));
    }
    const std::optional<double> degrees = FieldNumber(value.substr(0, degree_digits));
    const std::optional<double> minutes = FieldNumber(value.substr(degree_digits));
    if (!degrees || !minutes || value.front() == '-' || value.front() == '+' || *minutes >= 60.0) {
      Fail(line, std::string(sentence) + " " + what + " '" + shown + "' is not a number of degrees and minutes");
    }
    double angle = *degrees + *minutes / 60.0;
    if (hemisphere.size() != 1 || (hemisphere[0] != positive && hemisphere[0] != negative)) {
      Fail(line, std::string(sentence) + " " + what + " hemisphere '" + std::string(hemisphere) +
                     "' is neither " + positive + " nor " + negative);
    }
    if (angle > limit) Fail(line, std::string(sentence) + " " + what + " '" + shown + "' lies beyond " +
                                      std::to_string(static_cast<int>(limit)) + " degrees");
    return hemisphere[0] == negative ? -angle : angle;
  }

  void ReadRmc(const std::vector<std::string_view>& f, int line) {
    if (f.size() < 10) Fail(line, "RMC sentence with " + std::to_string(f.size() - 1) + " fields; it needs at least 9");
    if (f[2] == "V") {
      ++void_rmc_;
      return;
    }
    if (f[2] != "A") Fail(line, "RMC status '" + std::string(f[2]) + "' is neither A nor V");
    LineFix entry;
    entry.fix.line = line;
    entry.seconds_of_day = TimeOfDay(f[1], line, "RMC");
    entry.fix.latitude = Angle(f[3], f[4], 2, line, "RMC", "latitude");
    entry.fix.longitude = Angle(f[5], f[6], 3, line, "RMC", "longitude");
    if (!f[7].empty()) {
      const std::optional<double> knots = FieldNumber(f[7]);
      if (!knots || *knots < 0) Fail(line, "RMC speed '" + std::string(f[7]) + "' is not a speed in knots");
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
    if (!digits || !IsValidDate(civil)) Fail(line, "RMC date '" + std::string(date) + "' is not ddmmyy");
    entry.date = civil;
    entry.fix.time = static_cast<double>(DaysFromCivil(civil)) * 86400.0 + entry.seconds_of_day;
    rmc_.push_back(entry);
    order_.push_back({true, rmc_.size() - 1});
  }

  void ReadGga(const std::vector<std::string_view>& f, int line) {
    if (f.size() < 7) Fail(line, "GGA sentence with " + std::to_string(f.size() - 1) + " fields; it needs at least 6");
    if (f[6].empty() || f[6] == "0") {
      ++no_fix_gga_;
      return;
    }
    if (f[6].size() != 1 || f[6][0] < '0' || f[6][0] > '9') {
      Fail(line, "GGA fix quality '" + std::string(f[6]) + "' is not a digit");
    }
    LineFix entry;
    entry.fix.line = line;
    entry.seconds_of_day = TimeOfDay(f[1], line, "GGA");
    entry.fix.latitude = Angle(f[2], f[3], 2, line, "GGA", "latitude");
    entry.fix.longitude = Angle(f[4], f[5], 3, line, "GGA", "longitude");
    gga_.push_back(entry);
    order_.push_back({false, gga_.size() - 1});
  }

  // Dates the GGA fixes from the nearest RMC before them in the file (or the
  // first one after, for GGA fixes at the start), stepping to the next day
  // when the time of day falls back by more than twelve hours.
  Drive Merge() {
    Drive drive;
    drive.path = path_;
    drive.format = "NMEA 0183";
    std::map<long long, Fix> by_time;  // milliseconds since 1970
    auto key = [](double seconds) { return std::llround(seconds * 1000.0); };
    for (const LineFix& entry : rmc_) by_time.emplace(key(entry.fix.time), entry.fix);

    std::optional<CivilDate> date;
    for (const auto& [is_rmc, index] : order_) {
      if (is_rmc) {
        date = rmc_[index].date;
        break;
      }
    }
    const bool dated = date.has_value();
    if (!date) date = CivilDate{2000, 1, 1};
    double last_seconds = -1;
    std::size_t filled = 0;
    for (const auto& [is_rmc, index] : order_) {
      const LineFix& entry = is_rmc ? rmc_[index] : gga_[index];
      if (last_seconds >= 0 && entry.seconds_of_day + 43200.0 < last_seconds) {
        date = CivilFromDays(DaysFromCivil(*date) + 1);
      }
      if (is_rmc) date = entry.date;
      last_seconds = entry.seconds_of_day;
      if (is_rmc) continue;
      Fix fix = entry.fix;
      fix.time = static_cast<double>(DaysFromCivil(*date)) * 86400.0 + entry.seconds_of_day;
      if (by_time.emplace(key(fix.time), fix).second) ++filled;
    }
    for (auto& [unused, fix] : by_time) drive.fixes.push_back(fix);
    if (drive.fixes.empty()) throw DriveError(path_, 0, "no RMC or GGA sentence with a valid fix");
    if (void_rmc_ > 0) drive.notes.push_back(std::to_string(void_rmc_) + " RMC sentence(s) with status V (no fix) left out");
    if (no_fix_gga_ > 0) drive.notes.push_back(std::to_string(no_fix_gga_) + " GGA sentence(s) without a fix left out");
    if (filled > 0 && !rmc_.empty()) {
      drive.notes.push_back(std::to_string(filled) + " GGA fix(es) fill times that have no RMC fix");
    }
    if (!dated) drive.notes.push_back("no RMC date in the log: the drive is dated 2000-01-01");
    CheckTimeOrder(drive);
    return drive;
  }

  const std::string& path_;
  const std::string& content_;
  std::vector<LineFix> rmc_;
  std::vector<LineFix> gga_;
  std::vector<std::pair<bool, std::size_t>> order_;  // file order: (is RMC, index)
  std::size_t void_rmc_ = 0;
  std::size_t no_fix_gga_ = 0;
};

}  // namespace

Drive ReadNmea(const std::string& path, const std::string& content) {
  return NmeaReader(path, content).Read();
}

}  // namespace trezik::drive
