// The page's tables (years, months, the latest fill-ups and trip records)
// and the lines not read. Each table fits a desktop window; on a phone its
// rows stack, each cell with its column's name (data-label).
#include "tools/report/number_text.h"
#include "tools/report/page_parts.h"

namespace trezik::report::page {
namespace {

// Rows shown at most; months.csv and years.csv have them all.
constexpr std::size_t kMostMonthRows = 120;
constexpr std::size_t kMostYearRows = 100;

struct Column {
  std::string head;
  bool text = false;  // left-aligned, may wrap
};

class Table {
 public:
  Table(std::string id, std::vector<Column> columns) : id_(std::move(id)), columns_(std::move(columns)) {}
  void Row(const std::vector<std::string>& cells, const std::string& css_class = "") {
    body_ += css_class.empty() ? "<tr>" : "<tr class=\"" + css_class + "\">";
    for (std::size_t i = 0; i < cells.size() && i < columns_.size(); ++i) {
      body_ += std::string("<td") + (columns_[i].text ? " class=\"text\"" : "") + " data-label=\"" +
               Html(columns_[i].head) + "\">" + Html(cells[i]) + "</td>";
    }
    body_ += "</tr>\n";
  }
  std::string Finish() const {
    std::string html = "<div class=\"scroll\"><table class=\"rows\" id=\"" + id_ + "\"><thead><tr>";
    for (const Column& c : columns_) html += std::string("<th") + (c.text ? " class=\"text\"" : "") + ">" + Html(c.head) + "</th>";
    return html + "</tr></thead><tbody>\n" + body_ + "</tbody></table></div>\n";
  }

 private:
  std::string id_;
  std::vector<Column> columns_;
  std::string body_;
};

std::string Number(double value, int decimals) { return FixedNumber(value, decimals); }

std::string PeriodTable(const Report& r, const std::string& id, const std::string& name,
                        const std::vector<PeriodRow>& rows, std::size_t first) {
  const Units& u = r.units;
  // Without a fill-up the columns of the fill-ups would be all empty.
  const bool fills = r.totals.fill_ups > 0;
  std::vector<Column> columns = {{name, true}, {"driven (" + u.distance + ")"}, {"for work (" + u.distance + ")"}};
  if (fills) {
    columns.insert(columns.end(), {{"between fill-ups (" + u.distance + ")"},
                                   {"fuel (" + u.volume + ")"},
                                   {r.options.currency.empty() ? "cost" : "cost (" + r.options.currency + ")"},
                                   {u.consumption},
                                   {MoneyPer(r, u.distance)}});
  }
  columns.push_back({"work share"});
  Table table(id, columns);
  for (std::size_t i = first; i < rows.size(); ++i) {
    const Sums& s = rows[i].sums;
    std::vector<std::string> cells = {rows[i].period, Number(s.trip_distance, kDistanceDecimals),
                                      Number(s.work_distance, kDistanceDecimals)};
    if (fills) {
      const std::optional<double> consumption = s.Consumption(u.system);
      const std::optional<double> cost_per_distance = s.CostPerDistance();
      cells.insert(cells.end(), {Number(s.fill_distance, kDistanceDecimals), Number(s.fuel, kDistanceDecimals),
                                 Number(s.cost, kMoneyDecimals),
                                 consumption ? Number(*consumption, kConsumptionDecimals) : "",
                                 cost_per_distance ? Number(*cost_per_distance, kPriceDecimals) : ""});
    }
    cells.push_back(s.trip_distance > 0 ? Number(100 * s.work_distance / s.trip_distance, 0) + " %" : "");
    table.Row(cells);
  }
  return table.Finish();
}

// "the latest 500 of 1234; fillups.csv has them all"
std::string LatestNote(std::size_t shown, long all, const char* what, const char* file) {
  if (static_cast<long>(shown) >= all) return "";
  return "<p class=\"note\">The latest " + std::to_string(shown) + " of " + std::to_string(all) + " " + what +
         "; <code>" + file + "</code> has them all.</p>\n";
}

}  // namespace

namespace {

// "The last 120 of 130 months; months.csv has them all."
std::string LastNote(std::size_t shown, std::size_t all, const char* what, const char* file) {
  if (shown >= all) return "";
  return "<p class=\"note\">The last " + std::to_string(shown) + " of " + std::to_string(all) + " " + what +
         "; <code>" + file + "</code> has them all.</p>\n";
}

}  // namespace

std::string YearsTable(const Report& r) {
  if (r.years.empty()) return "<p class=\"empty\">No years.</p>\n";
  const std::size_t first = r.years.size() > kMostYearRows ? r.years.size() - kMostYearRows : 0;
  return LastNote(r.years.size() - first, r.years.size(), "years", "years.csv") +
         PeriodTable(r, "years", "year", r.years, first) +
         "<p class=\"note\">Work share: the work meter's distance over the distance driven, both from the trip "
         "records. Consumption and cost per distance: over the fill-ups of the period.</p>\n";
}

std::string MonthsTable(const Report& r) {
  if (r.months.empty()) return "<p class=\"empty\">No months.</p>\n";
  const std::size_t first = r.months.size() > kMostMonthRows ? r.months.size() - kMostMonthRows : 0;
  return LastNote(r.months.size() - first, r.months.size(), "months", "months.csv") +
         PeriodTable(r, "months", "month", r.months, first);
}

std::string FillUpsTable(const Report& r) {
  if (r.latest_fills.empty()) return "<p class=\"empty\">No fill-ups.</p>\n";
  const Units& u = r.units;
  Table table("fillups", {{"date", true},
                          {"fuel (" + u.volume + ")"},
                          {"distance (" + u.distance + ")"},
                          {u.consumption},
                          {MoneyPer(r, u.volume)},
                          {r.options.currency.empty() ? "cost" : "cost (" + r.options.currency + ")"},
                          {MoneyPer(r, u.distance)},
                          {"place", true}});
  for (const FillRow& f : r.latest_fills) {
    // A marked fill-up has no figure: the table says why, never a number.
    const std::string none = f.mark.partial ? "partial" : "unknown (missed)";
    table.Row({f.date, Number(f.litres, kDistanceDecimals), Number(f.distance, kDistanceDecimals),
               !f.figure                              ? none
               : f.distance > 0 && f.consumption > 0 ? Number(f.consumption, kConsumptionDecimals)
                                                      : "",
               f.price > 0 ? Number(f.price, kPriceDecimals) : "", Number(f.cost, kMoneyDecimals),
               f.figure ? Number(f.cost_per_distance, kPriceDecimals) : none, f.place});
  }
  return LatestNote(r.latest_fills.size(), r.totals.fill_ups, "fill-ups", "fillups.csv") + table.Finish();
}

std::string TripsTable(const Report& r) {
  if (r.latest_trips.empty()) return "<p class=\"empty\">No trip records.</p>\n";
  const std::string& d = r.units.distance;
  Table table("trips", {{"date", true},
                        {"time", true},
                        {"trip meter (" + d + ")"},
                        {"went (" + d + ")"},
                        {"for work (" + d + ")"},
                        {"place", true}});
  for (const TripRow& t : r.latest_trips) {
    table.Row({t.date, t.time, Number(t.trip, kDistanceDecimals), Number(t.trip_added, kDistanceDecimals),
               Number(t.work_added, kDistanceDecimals), t.place},
              t.new_trip ? "new-trip" : "");
  }
  return LatestNote(r.latest_trips.size(), r.totals.trip_records, "trip records", "trips.csv") +
         "<p class=\"note\">\"Went\": how far since the record before when the trip goes on, else the trip meter "
         "(a new trip, its row in bold).</p>\n" + table.Finish();
}

std::string BadLinesSection(const Report& r) {
  if (r.bad_lines == 0) return "<p id=\"bad-none\">Every line was read.</p>\n";
  std::string html = "<ul id=\"bad-list\">\n";
  for (const BadLine& b : r.first_bad) {
    html += "<li><code>" + Html(b.file + ":" + std::to_string(b.line) + ": " + b.why) + "</code></li>\n";
  }
  html += "</ul>\n";
  const long more = r.bad_lines - static_cast<long>(r.first_bad.size());
  html += "<p id=\"bad-count\">" + std::to_string(r.bad_lines) + " line(s) not read";
  if (more > 0) html += ", the first " + std::to_string(r.first_bad.size()) + " above and " + std::to_string(more) + " more";
  return html + "; <code>unreadable.txt</code> lists them all.</p>\n";
}

}  // namespace trezik::report::page
