// The two logs' records field by field, in the order the plug-in writes them
// (kTripLogFileName on "logtrip", kFuelLogFileName on an accepted fill-up; names.h), with one
// writer and one reader per record and the one way to split a record back
// into its fields. The plug-in writes its records with the writers; the
// report and the simulator read them with the readers:
//   "date","time",trip,total,work,"lat","lon","place"
//   "date","time",litres,distance,"consumption",price,cost_per_distance,"lat","lon","place"[,"mark"]
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trezik {

// A record of "tripmeter.log": one per "logtrip".
enum TripLogField : std::size_t {
  kTripDate, kTripTime, kTripMeter, kTripTotal, kTripWork, kTripLatitude, kTripLongitude, kTripPlace,
  kTripFieldCount
};

// A record of "fuel.log": one per accepted fill-up. The consumption is a text
// in the user's number format; the other numbers are written with ".".
// The distance is the distance since the last full tank; the consumption and
// the cost per distance are over that distance, with the fuel of the partial
// fill-ups since then added to this one's.
enum FuelLogField : std::size_t {
  kFuelDate, kFuelTime, kFuelQuantity, kFuelDistance, kFuelConsumption, kFuelPrice,
  kFuelCostPerDistance, kFuelLatitude, kFuelLongitude, kFuelPlace,
  kFuelFieldCount
};
// A fill-up that is partial, or whose interval holds a missed one, has an
// eleventh field: its mark, the words "partial" and "missed" as they apply,
// separated by a blank. Its consumption (field 5) and cost per distance
// (field 7) are then empty: it has no figure. A full fill-up, and every
// record written before the marks existed, has ten fields.
inline constexpr std::size_t kFuelMark = kFuelFieldCount;
inline constexpr std::size_t kMarkedFuelFieldCount = kFuelFieldCount + 1;

struct FuelMark {
  bool partial = false;  // the tank was not filled: the fuel goes to the next full tank
  bool missed = false;   // a fill-up in this interval was not keyed in
  bool any() const { return partial || missed; }
};
// The eleventh field of a marked record ("partial", "missed",
// "partial missed").
std::string FuelMarkText(FuelMark mark);
// The mark an eleventh field holds; nothing for a text that is none.
std::optional<FuelMark> ReadFuelMark(std::string_view text);

// The fields of one record (or of any line written the same way): texts
// without their quotes, a doubled quote read as one. Nothing, with the
// reason in `why`, for a quote left open, text after a closing quote, or a
// quote inside a field that is not quoted.
std::optional<std::vector<std::string>> SplitLogFields(std::string_view line, std::string& why);

// What a trip record holds, to write it. The date and the time as
// contract/log_line.h writes them (RecordDate, RecordTime).
struct TripLogRecord {
  std::string date, time;
  double trip = 0, total = 0, work = 0;
  std::string latitude, longitude, place;
};
// The record as one line with its CR LF.
std::string WriteTripRecord(const TripLogRecord& record);

// What a fill-up record holds, to write it. A marked one has no consumption
// ("") and no cost per distance.
struct FuelLogRecord {
  std::string date, time;
  double quantity = 0, distance = 0;
  std::string consumption;  // in the user's number format
  double price = 0;
  std::optional<double> cost_per_distance;
  std::string latitude, longitude, place;
  FuelMark mark;
};
std::string WriteFuelRecord(const FuelLogRecord& record);

// A trip record's fields as they were written, by name.
struct TripLogFields {
  std::string date, time, trip, total, work, latitude, longitude, place;
};
// The fields of a split trip record; nothing unless there are 8.
std::optional<TripLogFields> ReadTripRecord(const std::vector<std::string>& fields);
// The same from the line as written (without its line end); nothing for a
// line that does not split, too.
std::optional<TripLogFields> ReadTripRecord(std::string_view line);

// A fill-up record's fields as they were written, by name; the mark's text
// when the record has one.
struct FuelLogFields {
  std::string date, time, quantity, distance, consumption, price, cost_per_distance, latitude, longitude, place;
  std::optional<std::string> mark;
};
// The fields of a split fill-up record; nothing unless there are 10, or 11
// with the mark.
std::optional<FuelLogFields> ReadFuelRecord(const std::vector<std::string>& fields);
std::optional<FuelLogFields> ReadFuelRecord(std::string_view line);

}  // namespace trezik
