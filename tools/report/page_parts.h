// The pieces of report.html, each a section or a part of one, and the small
// helpers they share: texts made safe for the page and figures with their
// units and money.
#pragma once

#include <string>
#include <string_view>

#include "tools/report/report_data.h"

namespace trezik::report::page {

// Text from the logs made valid UTF-8 (bytes that are not UTF-8 read as
// Windows-1252, the code page a Windows host writes) and escaped for HTML.
std::string Html(std::string_view text);

// Figures as the page writes them: fixed places, and the unit after them.
std::string Distance(const Report& r, double value);       // "17.97 km"
std::string Volume(const Report& r, double value);         // "41.37 L"
std::string Money(const Report& r, double value);          // "76.91 EUR", "76.91" without a currency
std::string MoneyPer(const Report& r, const std::string& unit);  // "EUR/L", "per L" without a currency
std::string Price(const Report& r, double value, const std::string& unit);  // "1.859 EUR/L"
std::string ConsumptionText(const Report& r, double value);  // "6.81 L/100 km"

// "metric (km, L, L/100 km), told by 3 of 3 fill-up(s)"
std::string UnitsLine(const Report& r);

std::string TotalsSection(const Report& r);
std::string ConsumptionChart(const Report& r);
std::string PriceChart(const Report& r);
std::string MonthsChart(const Report& r);
std::string DriveChart(const Report& r);
std::string YearsTable(const Report& r);
std::string MonthsTable(const Report& r);
std::string FillUpsTable(const Report& r);
std::string TripsTable(const Report& r);
std::string BadLinesSection(const Report& r);

}  // namespace trezik::report::page
