// The two logs' records field by field, in the order the plug-in writes them
// (commands.cc for "tripmeter.log", fuel_keypad.cc for "fuel.log"), and the
// one way to split a record back into its fields, which the report and the
// simulator read them with:
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

}  // namespace trezik
