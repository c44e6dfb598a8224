// The page's texts and figures, and the totals section.
#include <cmath>

#include "tools/chart/svg_chart.h"
#include "tools/report/number_text.h"
#include "tools/report/page_parts.h"
#include "tools/report/log_text.h"

namespace trezik::report::page {
namespace {


std::string Item(const std::string& id, const std::string& name, const std::string& value) {
  return "<div><dt>" + Html(name) + "</dt><dd id=\"" + id + "\">" + Html(value) + "</dd></div>\n";
}

}  // namespace

std::string Html(std::string_view text) { return chart::Escape(LogTextToUtf8(text)); }

std::string Distance(const Report& r, double value) {
  return FixedNumber(value, kDistanceDecimals) + " " + r.units.distance;
}
std::string Volume(const Report& r, double value) {
  return FixedNumber(value, kDistanceDecimals) + " " + r.units.volume;
}
std::string Money(const Report& r, double value) {
  const std::string amount = FixedNumber(value, kMoneyDecimals);
  return r.options.currency.empty() ? amount : amount + " " + r.options.currency;
}
std::string MoneyPer(const Report& r, const std::string& unit) {
  return r.options.currency.empty() ? "per " + unit : r.options.currency + "/" + unit;
}
std::string Price(const Report& r, double value, const std::string& unit) {
  return FixedNumber(value, kPriceDecimals) + " " + MoneyPer(r, unit);
}
std::string ConsumptionText(const Report& r, double value) {
  return FixedNumber(value, kConsumptionDecimals) + " " + r.units.consumption;
}

std::string UnitsLine(const Report& r) { return UnitName(r.units.system) + ", " + r.units_from; }

std::string TotalsSection(const Report& r) {
  const Totals& t = r.totals;
  const Units& u = r.units;
  std::string html = "<dl class=\"totals\">\n";
  // In plain words: a trip runs from a reset of the trip meter to the
  // next, and "Log trip" may log it several times on the way.
  html += Item("trips", "Trips, from one reset of the trip meter to the next",
               std::to_string(t.trips) + (t.trips == 1 ? " trip" : " trips") + ", logged " +
                   (t.trip_records == 1 ? std::string("once") : std::to_string(t.trip_records) + " times"));
  html += Item("trip-distance", "Driven, from trip records", Distance(r, t.trip_distance));
  if (t.trips > 0) html += Item("longest-trip", "Longest trip", Distance(r, t.longest_trip));
  if (t.timed_seconds > 0) {
    const double hours = t.timed_seconds / 3600;
    const long minutes = std::lround(t.timed_seconds / 60);
    html += Item("trip-time", "Time driven between two logs of the same trip",
                 std::to_string(minutes / 60) + " h " + (minutes % 60 < 10 ? "0" : "") + std::to_string(minutes % 60) +
                     " min");
    html += Item("trip-speed", "Average speed over that time",
                 FixedNumber(t.timed_distance / hours, 1) + (u.distance == "km" ? " km/h" : " mph"));
  }
  html += Item("work-distance", "Driven for work (work meter)", Distance(r, t.work_distance));
  if (t.fill_ups == 0) {
    html += "</dl>\n<p class=\"empty\" id=\"no-fillups\">No fill-up in these logs: fuel, cost and consumption are "
            "worked out from fill-ups (the fill-up keypad's accept key), so there is no consumption or price to "
            "show.</p>\n";
    return html;
  }
  const std::optional<double> consumption = t.Consumption(u.system);
  const std::optional<double> cost_per_distance = t.CostPerDistance();
  auto fill = [&](const std::optional<Extreme>& e) {
    return e ? ConsumptionText(r, e->consumption) + " on " + e->date : std::string("none");
  };
  auto price = [&](const std::optional<double>& p) { return p ? Price(r, *p, u.volume) : std::string("none"); };
  html += Item("fillups", "Fill-ups", std::to_string(t.fill_ups));
  if (t.consumption_distance == t.fill_distance) {
    html += Item("total-distance", "Driven between fill-ups, used for consumption", Distance(r, t.fill_distance));
  } else {
    // Intervals that hold a missed fill-up count for distance and cost only.
    html += Item("total-distance", "Driven between full tanks", Distance(r, t.fill_distance));
    html += Item("consumption-distance", "Of it used for consumption (no missed fill-up in between)",
                 Distance(r, t.consumption_distance));
  }
  html += Item("total-fuel", "Fuel", Volume(r, t.fuel));
  html += Item("total-cost", "Cost", Money(r, t.cost));
  html += Item("average-consumption", "Average consumption",
               consumption         ? ConsumptionText(r, *consumption)
               : t.full_tanks == 0 ? std::string("none: consumption needs a full tank, and every fill-up here is partial")
                                   : std::string("none"));
  html += Item("cost-per-distance", "Cost per " + u.distance,
               cost_per_distance ? Price(r, *cost_per_distance, u.distance) : std::string("none"));
  html += Item("best-fillup", "Best fill-up", fill(t.best));
  html += Item("worst-fillup", "Worst fill-up", fill(t.worst));
  html += Item("lowest-price", "Lowest price", price(t.lowest_price));
  html += Item("highest-price", "Highest price", price(t.highest_price));
  html += Item("average-price", "Average price paid", price(t.average_price));
  html += "</dl>\n";
  return html;
}

}  // namespace trezik::report::page
