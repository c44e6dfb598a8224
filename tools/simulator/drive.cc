#include "tools/simulator/drive.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "tools/simulator/gpx_reader.h"
#include "tools/simulator/input_file.h"
#include "tools/simulator/nmea_reader.h"

namespace trezik::drive {

namespace {

// How many line numbers a note lists for one kind of damage.
constexpr std::size_t kLinesListed = 5;

std::string Describe(const std::string& path, int line, const std::string& what) {
  std::string text = path;
  if (line > 0) text += ":" + std::to_string(line);
  return text + ": " + what;
}

std::string Number(double value, const char* format) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Plural(std::size_t count, const std::string& unit) {
  return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

// Control characters among the first 64 KiB, other than the blanks and line
// ends that text holds. A few NUL bytes are normal in NMEA logs (receivers
// write them when they restart); random or packed binary data has about one
// control character in nine bytes, text almost none.
bool LooksBinary(const std::string& content, std::size_t& control, std::size_t& sampled) {
  sampled = std::min<std::size_t>(content.size(), 64 * 1024);
  control = 0;
  for (std::size_t i = 0; i < sampled; ++i) {
    const auto byte = static_cast<unsigned char>(content[i]);
    const bool blank = byte != 0 && std::strchr("\t\n\r\f\v", byte) != nullptr;
    if ((byte < 0x20 && !blank) || byte == 0x7F) ++control;
  }
  return control * 16 > sampled;
}

}  // namespace

DriveError::DriveError(const std::string& path, int line, const std::string& what)
    : std::runtime_error(Describe(path, line, what)), path_(path), line_(line), reason_(what) {}

const char* DamageText(Damage damage) {
  switch (damage) {
    case Damage::kBadChecksum: return "with a bad checksum";
    case Damage::kNoChecksum: return "without a checksum";
    case Damage::kUnknownTalker: return "from an unknown talker";
    case Damage::kCutOff: return "cut off";
    case Damage::kGarbled: return "garbled";
    case Damage::kBadField: return "with a field that cannot be read";
    case Damage::kTimeGoesBack: return "whose time goes back";
  }
  return "damaged";
}

bool Drive::has_speed() const {
  for (const Fix& fix : fixes) {
    if (!fix.speed_mps) return false;
  }
  return !fixes.empty();
}

std::size_t Drive::skipped_count(Damage damage) const {
  for (const Skipped& kind : skipped) {
    if (kind.damage == damage) return kind.count;
  }
  return 0;
}

void DamageTally::Skip(Damage damage, int line, const std::string& what) {
  if (options_.strict) throw DriveError(path_, line, what);
  Skipped& kind = kinds_[static_cast<std::size_t>(damage)];
  kind.damage = damage;
  ++kind.count;
  if (kind.first_lines.size() < kLinesListed) kind.first_lines.push_back(line);
}

std::size_t DamageTally::total() const {
  std::size_t total = 0;
  for (const Skipped& kind : kinds_) total += kind.count;
  return total;
}

std::string DamageTally::Counts() const {
  std::string text;
  for (const Skipped& kind : kinds_) {
    if (kind.count == 0) continue;
    text += (text.empty() ? "" : ", ") + std::to_string(kind.count) + " " + DamageText(kind.damage);
  }
  return text;
}

void DamageTally::Record(Drive& drive, const std::string& unit) const {
  for (const Skipped& kind : kinds_) {
    if (kind.count == 0) continue;
    drive.skipped.push_back(kind);
    std::string note = "skipped " + Plural(kind.count, unit) + " " + DamageText(kind.damage) + " (line" +
                       (kind.count == 1 ? " " : "s ");
    for (std::size_t i = 0; i < kind.first_lines.size(); ++i) {
      note += (i == 0 ? "" : ", ") + std::to_string(kind.first_lines[i]);
    }
    drive.notes.push_back(note + (kind.count > kind.first_lines.size() ? ", ...)" : ")"));
  }
}

std::string ReadWholeFile(const std::string& path) { return ReadInputFile(path); }

void FinishDrive(Drive& drive, DamageTally& tally, const std::string& unit) {
  // Kept in place, without a copy of a long drive's fixes.
  std::vector<Fix>& fixes = drive.fixes;
  std::size_t kept = 0;
  std::size_t repeated = 0;
  for (std::size_t i = 0; i < fixes.size(); ++i) {
    const Fix& fix = fixes[i];
    if (kept > 0) {
      const Fix& last = fixes[kept - 1];
      if (fix.time == last.time) {
        ++repeated;
        continue;
      }
      if (fix.time < last.time) {
        tally.Skip(Damage::kTimeGoesBack, fix.line,
                   "time goes back " + Number(last.time - fix.time, "%.3f") + " s from the fix of line " +
                       std::to_string(last.line));
        continue;
      }
    }
    if (kept != i) fixes[kept] = fix;
    ++kept;
  }
  fixes.resize(kept);
  if (repeated > 0) {
    drive.notes.push_back(std::to_string(repeated) +
                          (repeated == 1 ? " fix repeats" : " fixes repeat") +
                          " the time of the one before and is left out");
  }
  tally.Record(drive, unit);
  if (drive.fixes.size() < 2) {
    std::string what = drive.fixes.empty() ? "no usable fix is left" : "only 1 usable fix is left";
    what += "; a drive needs at least two";
    if (tally.total() > 0) what += " (skipped: " + tally.Counts() + ")";
    throw DriveError(drive.path, 0, what);
  }
  const double span = drive.duration();
  if (span > kLongestDriveSeconds) {
    std::string days = Number(span / 86400.0, "%.1f") + " days";
    if (span >= 365.25 * 86400.0) days += " (" + Number(span / (365.25 * 86400.0), "%.1f") + " years)";
    throw DriveError(drive.path, 0,
                     "the drive lasts " + days + " from its first fix (line " +
                         std::to_string(drive.fixes.front().line) + ") to its last (line " +
                         std::to_string(drive.fixes.back().line) + "); the simulator replays at most " +
                         Number(kLongestDriveSeconds / 86400.0, "%.0f") + " days");
  }
}

Drive ReadDrive(const std::string& given_path, ReadOptions options) {
  const std::string path = InputName(given_path);
  const std::unique_ptr<std::istream> in = OpenInputFile(given_path);
  // The first 64 KiB tell the kind of file; the reader then gets them back
  // in front of the rest (standard input cannot seek).
  std::string sample(64 * 1024, '\0');
  in->read(sample.data(), static_cast<std::streamsize>(sample.size()));
  sample.resize(static_cast<std::size_t>(in->gcount()));
  if (sample.empty()) throw DriveError(path, 0, "is empty: there is no drive in it");
  std::size_t pos = 0;
  // Skip a UTF-8 byte order mark, blanks and the NUL bytes some receivers
  // write when they start.
  if (sample.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  auto blank = [](int c) { return c == '\0' || (c > 0 && std::strchr(" \t\r\n", c) != nullptr); };
  while (pos < sample.size() && blank(sample[pos])) ++pos;
  std::size_t control = 0, sampled = 0;
  if (LooksBinary(sample, control, sampled)) {
    throw DriveError(path, 0,
                     "is not text at all (" + std::to_string(control) + " of its first " + std::to_string(sampled) +
                         " bytes are control characters): neither a GPX track nor an NMEA log");
  }
  // Blanks past the sample are kept too, so that line numbers hold.
  int first = pos < sample.size() ? static_cast<unsigned char>(sample[pos]) : std::char_traits<char>::eof();
  if (pos == sample.size()) {
    for (int c; (c = in->rdbuf()->sbumpc()) != std::char_traits<char>::eof();) {
      sample.push_back(static_cast<char>(c));
      if (!blank(c)) {
        first = c;
        break;
      }
      if (sample.size() > kLargestInputBytes) break;
    }
  }
  if (first == std::char_traits<char>::eof()) throw DriveError(path, 0, "is empty: it holds nothing but blanks");
  PrefixedBuffer buffer(std::move(sample), in->rdbuf());
  std::istream replay(&buffer);
  if (first == '<') return ReadGpx(path, replay, options);
  return ReadNmea(path, replay, options);
}

}  // namespace trezik::drive
