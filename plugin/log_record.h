// The two logs' records field by field, in the order the plug-in writes them
// (commands.cc for "tripmeter.log", fuel_keypad.cc for "fuel.log"), and the
// one way to split a record back into its fields, which the report and the
// simulator read them with:
//   "date","time",trip,total,work,"lat","lon","place"
//   "date","time",litres,distance,"consumption",price,cost_per_distance,"lat","lon","place"
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
enum FuelLogField : std::size_t {
  kFuelDate, kFuelTime, kFuelQuantity, kFuelDistance, kFuelConsumption, kFuelPrice,
  kFuelCostPerDistance, kFuelLatitude, kFuelLongitude, kFuelPlace,
  kFuelFieldCount
};

// The fields of one record (or of any line written the same way): texts
// without their quotes, a doubled quote read as one. Nothing, with the
// reason in `why`, for a quote left open, text after a closing quote, or a
// quote inside a field that is not quoted.
std::optional<std::vector<std::string>> SplitLogFields(std::string_view line, std::string& why);

}  // namespace trezik
