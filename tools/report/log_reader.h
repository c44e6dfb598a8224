// Reading the plug-in's two logs one line at a time, "tripmeter.log" (one
// record per logtrip) and "fuel.log" (one per accepted fill-up), their
// fields as plugin/log_record.h has them. The consumption is a text in the
// user's number format ("35,2" or "35.2"). A line that does not read gives
// the reason why.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/report/calendar.h"

namespace trezik::report {

enum class LogKind { kTrip, kFuel };

struct TripRecord {
  std::string date, time;  // "2026-12-07", "08:01:01"
  double trip = 0, total = 0, work = 0;
  // How much the work meter grew since the record before in the same log:
  // the first record's work, and after a reset (the meter went down) the new
  // value.
  double work_added = 0;
  // How far this record's trip went since the record before: the trip meter's
  // growth when the record goes on with the trip before, else (a new trip)
  // the trip meter itself.
  double trip_added = 0;
  bool new_trip = true;
  // Seconds since the record before when it goes on with the same trip, else 0.
  double seconds = 0;
  std::string latitude, longitude, place;
};

struct FuelRecord {
  std::string date, time;
  double litres = 0;
  double distance = 0;  // since the fill-up before
  double consumption = 0;  // the logged text read as a number ("," or ".")
  double price = 0;        // per litre or gallon
  double cost_per_distance = 0;
  double cost = 0;  // litres x price, rounded to 2 decimals
  std::string latitude, longitude, place;
};

struct BadLine {
  std::string file;
  int line = 0;
  std::string why;
};

// The kind a file name says: "tripmeter.log" and "fuel.log" in any letter
// case, or a name holding "fuel" or "trip"; else nothing.
std::optional<LogKind> KindFromName(std::string_view file_name);

// What one line held.
struct ParsedLine {
  enum What { kBlank, kBad, kTrip, kFuel } what = kBlank;
  std::string why;  // kBad
  TripRecord trip;  // kTrip
  FuelRecord fill;  // kFuel
  // The record's fields hashed, to know a record read before.
  std::uint64_t hash = 0;
};

// Reads the lines of one log in order. Without a kind, the first line that
// splits into 8 or 10 fields decides it.
// Lines longer than this are no log lines (see LineReader).
constexpr std::size_t kLongestLogLine = 64 * 1024;

class LogParser {
 public:
  explicit LogParser(std::optional<LogKind> kind) : kind_(kind) {}
  // `cut`: the line was longer than the reader keeps.
  ParsedLine Line(std::string_view line, bool cut);
  std::optional<LogKind> kind() const { return kind_; }

 private:
  std::optional<LogKind> kind_;
  std::optional<TripRecord> previous_;
  int decimals_ = 0;
};

}  // namespace trezik::report
