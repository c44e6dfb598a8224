#include "tools/report/figures.h"

namespace trezik::report {
namespace {

constexpr std::size_t kLongestPlace = 80;

}  // namespace

std::string Shortened(const std::string& text, std::size_t most) {
  if (text.size() <= most) return text;
  std::size_t end = most;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;  // not inside a character
  return text.substr(0, end) + "\xE2\x80\xA6";
}

void Sums::Add(const FuelRecord& r) {
  fuel += r.litres;
  cost += r.cost;
  ++fill_ups;
  if (!r.closes) return;
  const FillInterval& interval = *r.closes;
  fill_distance += interval.distance;
  interval_cost += interval.cost;
  ++full_tanks;
  if (interval.known) {
    consumption_distance += interval.distance;
    consumption_fuel += interval.fuel;
  }
}

void Sums::Merge(const Sums& s) {
  fuel += s.fuel;
  cost += s.cost;
  fill_ups += s.fill_ups;
  fill_distance += s.fill_distance;
  interval_cost += s.interval_cost;
  consumption_distance += s.consumption_distance;
  consumption_fuel += s.consumption_fuel;
  full_tanks += s.full_tanks;
  trip_distance += s.trip_distance;
  work_distance += s.work_distance;
  trip_records += s.trip_records;
  trips += s.trips;
}

void Sums::Add(const TripRecord& r) {
  trip_distance += r.trip_added;
  work_distance += r.work_added;
  ++trip_records;
  if (r.new_trip) ++trips;
}

Figures::Figures()
    : fills_(kMostRows), trips_(kMostRows), consumption_(kMostChartPoints), price_(kMostChartPoints) {}

void Figures::Dated(const std::string& date) {
  if (totals_.first_date.empty() || date < totals_.first_date) totals_.first_date = date;
  if (totals_.last_date.empty() || date > totals_.last_date) totals_.last_date = date;
}

void Figures::Add(const FuelRecord& r) {
  Dated(r.date);
  totals_.Add(r);
  months_[r.date.substr(0, 7)].Add(r);
  const double when = When(r.date, r.time);
  // Only a full tank closing an interval without a missed fill-up has a
  // consumption of its own (the logged one, over the whole interval).
  if (r.figure && r.closes && r.closes->known && r.distance > 0 && r.consumption > 0) {
    if (!lowest_ || r.consumption < lowest_->consumption) lowest_ = Extreme{r.consumption, r.date};
    if (!highest_ || r.consumption > highest_->consumption) highest_ = Extreme{r.consumption, r.date};
    consumption_.Add(when, r.consumption);
  }
  if (r.price > 0) {
    totals_.lowest_price = std::min(totals_.lowest_price.value_or(r.price), r.price);
    totals_.highest_price = std::max(totals_.highest_price.value_or(r.price), r.price);
    priced_litres_ += r.litres;
    priced_cost_ += r.litres * r.price;
    price_.Add(when, r.price);
  }
  if (!fills_.Keeps(when)) return;
  fills_.Add({when, r.date, r.time, r.litres, r.distance, r.consumption, r.price, r.cost, r.cost_per_distance,
              Shortened(r.place, kLongestPlace), r.mark, r.figure});
}

void Figures::Add(const TripRecord& r) {
  Dated(r.date);
  totals_.Add(r);
  months_[r.date.substr(0, 7)].Add(r);
  current_trip_ = r.new_trip ? r.trip_added : current_trip_ + r.trip_added;
  totals_.longest_trip = std::max(totals_.longest_trip, current_trip_);
  if (!r.new_trip && r.seconds > 0) {
    totals_.timed_distance += r.trip_added;
    totals_.timed_seconds += r.seconds;
  }
  const double when = When(r.date, r.time);
  if (!trips_.Keeps(when)) return;
  trips_.Add({when, r.date, r.time, r.trip, r.trip_added, r.work_added, r.new_trip,
              Shortened(r.place, kLongestPlace)});
}

void Figures::Finish(Report& report) const {
  report.totals = totals_;
  Totals& t = report.totals;
  if (priced_litres_ > 0) t.average_price = priced_cost_ / priced_litres_;
  t.best = report.units.lower_is_better ? lowest_ : highest_;
  t.worst = report.units.lower_is_better ? highest_ : lowest_;
  report.months.clear();
  report.years.clear();
  for (const auto& [month, sums] : months_) {
    report.months.push_back({month, sums});
    const std::string year = month.substr(0, 4);
    if (report.years.empty() || report.years.back().period != year) report.years.push_back({year, {}});
    report.years.back().sums.Merge(sums);
  }
  report.latest_fills = fills_.Rows();
  report.latest_trips = trips_.Rows();
  report.consumption_points = consumption_.Points();
  report.consumption_records = consumption_.records();
  report.price_points = price_.Points();
}

}  // namespace trezik::report
