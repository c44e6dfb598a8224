// Reading the plug-in's two logs one line at a time, "tripmeter.log" (one
// record per logtrip) and "fuel.log" (one per accepted fill-up), their
// fields as contract/log_record.h has them. The consumption is a text in the
// user's number format ("35,2" or "35.2"). A line that does not read gives
// the reason why.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contract/log_record.h"
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

// The interval from one full tank to the next: the distance, the fuel of
// every fill-up in it (the partial ones and the full tank that closes it)
// and its cost; its consumption is unknown when a fill-up in it was missed.
struct FillInterval {
  double distance = 0, fuel = 0, cost = 0;
  bool known = true;
};

struct FuelRecord {
  std::string date, time;
  double litres = 0;
  double distance = 0;  // since the last full tank
  double consumption = 0;  // the logged text read as a number ("," or "."); 0 when empty
  double price = 0;        // per litre or gallon
  double cost_per_distance = 0;  // 0 when empty
  double cost = 0;  // litres x price, rounded to 2 decimals
  std::string latitude, longitude, place;
  // The eleventh field: partial, or a missed fill-up in the interval; none
  // for a full tank (and every record written before the marks).
  FuelMark mark;
  // The record logs a consumption and a cost per distance (a marked one none).
  bool figure = true;
  // A full tank (not partial) closes the interval since the one before.
  std::optional<FillInterval> closes;
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
// splits into 8, 10 or 11 fields decides it. The fill-ups of one log are
// taken as one history: the partial ones are carried to the next full tank.
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
  FillInterval open_;  // the partial fill-ups since the last full tank
};

}  // namespace trezik::report
