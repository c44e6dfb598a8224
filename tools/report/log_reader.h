// Reading the plug-in's two logs: "tripmeter.log", one record per logtrip,
//   "date","time",trip,total,work,"lat","lon","place"
// and "fuel.log", one record per accepted fill-up,
//   "date","time",litres,distance,"consumption",price,cost_per_distance,"lat","lon","place"
// Texts are in double quotes with a quote inside doubled; numbers use "."
// except the consumption, which is a text in the user's number format ("35,2"
// or "35.2"). Lines end in CR LF; LF alone and a last line without an end are
// read too. A line that does not read is kept as a BadLine with the reason.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trezik::report {

enum class LogKind { kTrip, kFuel };

struct TripRecord {
  std::string date, time;  // "2026-12-07", "08:01:01"
  double trip = 0, total = 0, work = 0;
  // The work meter's increase since the previous record of the same log: the
  // first record's work, and after a reset (the meter went down) the new value.
  double work_added = 0;
  std::string latitude, longitude, place;
  std::string key;  // the record's fields, to recognise it when read twice
};

struct FuelRecord {
  std::string date, time;
  double litres = 0;
  double distance = 0;  // since the fill-up before
  std::string consumption_text;  // as logged, in the user's format
  double consumption = 0;        // L/100 km when metric, mpg when not
  double price = 0;              // per litre or gallon
  double cost_per_distance = 0;
  double cost = 0;  // litres x price, rounded to 2 decimals
  std::string latitude, longitude, place;
  std::string key;
};

struct BadLine {
  std::string file;
  int line = 0;
  std::string why;
};

struct LogFile {
  std::string path;
  LogKind kind = LogKind::kTrip;
  std::vector<TripRecord> trips;
  std::vector<FuelRecord> fills;
  std::vector<BadLine> bad;
};

// The fields of one line, quotes removed and doubled quotes made single, or
// nothing with the reason in `why`.
std::optional<std::vector<std::string>> SplitFields(std::string_view line, std::string& why);

// The kind a file name says: "tripmeter.log" and "fuel.log" in any letter
// case, or a name holding "fuel" or "trip"; else nothing.
std::optional<LogKind> KindFromName(std::string_view file_name);

// Reads one log's content. Without a kind, the first line that splits into
// 8 or 10 fields decides it.
LogFile ParseLog(std::string_view content, const std::string& path, std::optional<LogKind> kind);

// True for a valid calendar date written YYYY-MM-DD.
bool IsDate(std::string_view text);

}  // namespace trezik::report
