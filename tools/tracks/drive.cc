#include "tools/tracks/drive.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>


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
    case Damage::kNoTime: return "without a time (<time>)";
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
  if (kind.count++ == 0) kind.first_what = what;
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

std::string DamageTally::Refusal() const {
  const Skipped* most = nullptr;
  std::size_t kinds = 0;
  for (const Skipped& kind : kinds_) {
    if (kind.count == 0) continue;
    ++kinds;
    if (most == nullptr || kind.count > most->count) most = &kind;
  }
  if (most == nullptr) return "";
  return " (skipped: " + Counts() + "; " +
         (kinds > 1 ? std::string("most of them ") + DamageText(most->damage) + ", the first" : "the first") +
         " at line " + std::to_string(most->first_lines.front()) + ": " + most->first_what + ")";
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
                          " the time of the one before and " + (repeated == 1 ? "is" : "are") + " left out");
  }
  tally.Record(drive, unit);
  if (drive.fixes.size() < 2) {
    std::string what = drive.fixes.empty() ? "no usable fix is left" : "only 1 usable fix is left";
    what += "; a drive needs at least two";
    what += tally.Refusal();
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

}  // namespace trezik::drive
