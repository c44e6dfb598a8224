// What a report holds once every log is read: the options it was made with,
// the sums (in total, per month, per year), the latest fill-ups and trip
// records, the first lines not read, and the chart series. Its size does not
// grow with the logs, beyond one row per month and year.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/report/log_reader.h"
#include "tools/report/run_summary.h"
#include "tools/report/series.h"
#include "tools/report/unit_system.h"

namespace trezik::report {

struct ReportOptions {
  // The unit system the page shows: --imperial or --metric; when both are
  // false it is told from the fill-ups (metric when none tells).
  bool imperial = false;
  bool metric = false;
  std::string from, to;  // YYYY-MM-DD, both ends included; empty for no bound
  std::string currency;  // put on every amount ("EUR", "$"); empty: amounts carry no unit
  std::string drive_chart;  // an SVG file shown on the page (a simulated run's drive.svg); empty: none
  // Refuse (InputError, nothing written) logs that hold no record at all or
  // a log whose lines are none of them a record, as trezik-report does.
  bool refuse_unusable = false;
  RunSummary run_summary;  // a simulated run's own summary, opening the page; empty: none
};

// Sums over a set of records.
struct Sums {
  // Fill-ups: the fuel bought and its cost, at every fill-up.
  double fuel = 0, cost = 0;
  long fill_ups = 0;
  // The intervals from full tank to full tank, each counted where its full
  // tank is: their distance and their cost (of every fill-up in them), and
  // of those without a missed fill-up the distance and the fuel, which give
  // the consumption: total fuel over total distance, never a mean of ratios.
  double fill_distance = 0, interval_cost = 0;
  double consumption_distance = 0, consumption_fuel = 0;
  long full_tanks = 0;
  // Trip records: the distance the trips went (see TripRecord::trip_added)
  // and the work meter's growth.
  double trip_distance = 0, work_distance = 0;
  long trip_records = 0, trips = 0;

  void Add(const FuelRecord& r);
  void Add(const TripRecord& r);
  void Merge(const Sums& s);
  // Total fuel over total distance of the intervals whose consumption is known.
  std::optional<double> Consumption(UnitSystem system) const {
    return report::Consumption(consumption_distance, consumption_fuel, system);
  }
  // The cost of the closed intervals over their distance.
  std::optional<double> CostPerDistance() const {
    if (!(fill_distance > 0)) return std::nullopt;
    return interval_cost / fill_distance;
  }
};

struct PeriodRow {
  std::string period;  // "2026-11" or "2026"
  Sums sums;
};

struct Extreme {
  double consumption = 0;
  std::string date;
};

struct Totals : Sums {
  std::string first_date, last_date;  // of every record kept; empty when none
  // Full tanks whose interval's consumption is known and above 0: best is
  // the lowest L/100 km or the highest mpg.
  std::optional<Extreme> best, worst;
  // Fill-ups with a price above 0; the average is what a unit cost on
  // average: the sum of litres x price over the sum of litres.
  std::optional<double> lowest_price, highest_price, average_price;
  double longest_trip = 0;
  // Between two records of one trip: how far and how long (for a speed).
  double timed_distance = 0, timed_seconds = 0;
};

// A fill-up or a trip record as the page's tables show it.
struct FillRow {
  double when = 0;
  std::string date, time;
  double litres = 0, distance = 0, consumption = 0, price = 0, cost = 0, cost_per_distance = 0;
  std::string place;  // cut to what a table shows
  FuelMark mark;
  bool figure = true;  // it shows a consumption and a cost per distance
};

struct TripRow {
  double when = 0;
  std::string date, time;
  double trip = 0, trip_added = 0, work_added = 0;
  bool new_trip = true;
  std::string place;
};

struct LogSummary {
  std::string path;
  long records = 0, bad_lines = 0;
  UnitVotes votes;
};

struct Report {
  ReportOptions options;
  Units units;
  std::string units_from;  // how the units were chosen, for the page
  std::vector<LogSummary> logs;
  std::vector<std::string> notes;  // folders without a log, logs in another unit
  Totals totals;
  std::vector<PeriodRow> months, years;  // in calendar order
  std::vector<FillRow> latest_fills;     // the latest kMostRows, in date order
  std::vector<TripRow> latest_trips;
  std::vector<BadLine> first_bad;  // the first kMostBadLines
  long bad_lines = 0;
  long duplicates = 0;     // records left out because they were read before
  long outside_dates = 0;  // records left out by the dates
  std::vector<SeriesPoint> consumption_points, price_points;  // at most kMostChartPoints each
  long consumption_records = 0;  // fill-ups the consumption chart stands for
  std::vector<std::string> written;  // the files written, by name
  std::string drive_chart_svg;       // the drive chart to show, as read
};

constexpr std::size_t kMostRows = 500;
constexpr std::size_t kMostBadLines = 20;
constexpr std::size_t kMostChartPoints = 600;

}  // namespace trezik::report
