#include "tools/report/csv_files.h"

#include "tools/report/csv.h"
#include "tools/report/number_text.h"

namespace trezik::report {
namespace {

// Sums of logged figures carry binary rounding noise (1.34 comes out as
// 1.3399999999999999); six places keep every figure the plug-in writes and
// drop the noise.
constexpr int kSumDecimals = 6;

}  // namespace

const char kFillUpsHeader[] =
    "date,time,litres,distance,consumption,price,cost,cost_per_distance,latitude,longitude,place,mark\r\n";
const char kTripsHeader[] = "date,time,trip,total,work,work_added,trip_added,latitude,longitude,place\r\n";

std::string PeriodsHeader(const char* period) {
  return std::string(period) +
         ",distance,fuel,cost,consumption,work_distance,trip_distance,trips,trip_records,fill_ups,"
         "cost_per_distance\r\n";
}

// A marked fill-up leaves its consumption and cost per distance empty and
// names its mark ("partial", "missed") in the last column.
std::string FillUpCsvRow(const FuelRecord& r) {
  return CsvText(r.date) + "," + CsvText(r.time) + "," + PlainNumber(r.litres) + "," + PlainNumber(r.distance) + "," +
         (r.figure ? PlainNumber(r.consumption) : "") + "," + PlainNumber(r.price) + "," +
         FixedNumber(r.cost, kMoneyDecimals) + "," + (r.figure ? PlainNumber(r.cost_per_distance) : "") + "," +
         CsvText(r.latitude) + "," + CsvText(r.longitude) + "," + CsvText(r.place) + "," +
         (r.mark.any() ? CsvText(FuelMarkText(r.mark)) : "") + "\r\n";
}

std::string TripCsvRow(const TripRecord& r) {
  std::string row;
  row.reserve(128 + r.place.size());
  for (const std::string& part :
       {CsvText(r.date), CsvText(r.time), PlainNumber(r.trip), PlainNumber(r.total), PlainNumber(r.work),
        PlainNumber(r.work_added, kSumDecimals), PlainNumber(r.trip_added, kSumDecimals), CsvText(r.latitude),
        CsvText(r.longitude)}) {
    row += part;
    row += ',';
  }
  row += CsvText(r.place);
  row += "\r\n";
  return row;
}

std::string PeriodCsvRow(const PeriodRow& row, UnitSystem system) {
  const Sums& s = row.sums;
  const std::optional<double> consumption = s.Consumption(system);
  const std::optional<double> cost_per_distance = s.CostPerDistance();
  return CsvText(row.period) + "," + PlainNumber(s.fill_distance, kSumDecimals) + "," +
         PlainNumber(s.fuel, kSumDecimals) + "," + FixedNumber(s.cost, kMoneyDecimals) + "," +
         (consumption ? FixedNumber(*consumption, kConsumptionDecimals) : "") + "," +
         PlainNumber(s.work_distance, kSumDecimals) + "," + PlainNumber(s.trip_distance, kSumDecimals) + "," +
         std::to_string(s.trips) + "," + std::to_string(s.trip_records) + "," + std::to_string(s.fill_ups) + "," +
         (cost_per_distance ? FixedNumber(*cost_per_distance, kPriceDecimals) : "") + "\r\n";
}

}  // namespace trezik::report
