// The rows of the report's CSV files: fillups.csv and trips.csv hold every
// record as logged (one row each, in file order), months.csv and years.csv
// one row per period with its sums. Texts are quoted and guarded (csv.h),
// numbers use "." without exponent, rows end in CR LF.
#pragma once

#include <string>

#include "tools/report/report_data.h"

namespace trezik::report {

extern const char kFillUpsHeader[];
extern const char kTripsHeader[];
// "month,..." or "year,...": the same columns after the period's name.
std::string PeriodsHeader(const char* period);

std::string FillUpCsvRow(const FuelRecord& r);
std::string TripCsvRow(const TripRecord& r);
std::string PeriodCsvRow(const PeriodRow& row, UnitSystem system);

}  // namespace trezik::report
