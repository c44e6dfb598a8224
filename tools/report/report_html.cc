// report.html: one page with everything inline (styles, SVG charts), no
// scripts and nothing fetched, laid out for a phone, a desktop and paper.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/chart/svg_chart.h"
#include "tools/report/report.h"
#include "tools/report/units.h"

namespace trezik::report {
namespace {

// The plug-in writes the bytes the host gave it; on Windows a place name may
// be in the ANSI code page. Valid UTF-8 stays; any other byte is read as
// Windows-1252, so the page is always valid UTF-8.
std::string Utf8(std::string_view text) {
  static constexpr char16_t kCp1252[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = byte < 0x80 ? 1 : (byte >> 5) == 6 ? 2 : (byte >> 4) == 14 ? 3 : (byte >> 3) == 30 ? 4 : 0;
    bool valid = length > 0 && i + length <= text.size() && (length == 1 || byte >= 0xC2);
    for (std::size_t k = 1; valid && k < length; ++k) valid = (static_cast<unsigned char>(text[i + k]) >> 6) == 2;
    if (valid) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    const char32_t code = byte < 0xA0 ? kCp1252[byte - 0x80] : byte;
    if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (code & 0x3F));
    ++i;
  }
  return out;
}

std::string Html(std::string_view text) { return chart::Escape(Utf8(text)); }

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// Days since 1970-01-01 of a valid YYYY-MM-DD date.
double DayNumber(const std::string& date) {
  int y = std::stoi(date.substr(0, 4));
  const int m = std::stoi(date.substr(5, 2)), d = std::stoi(date.substr(8, 2));
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097.0 + doe - 719468;
}

double When(const std::string& date, const std::string& time) {
  const int seconds =
      std::stoi(time.substr(0, 2)) * 3600 + std::stoi(time.substr(3, 2)) * 60 + std::stoi(time.substr(6, 2));
  return DayNumber(date) + seconds / 86400.0;
}

// Month numbers counted from year 0, for placing months on an axis.
int MonthNumber(const std::string& month) {
  return std::stoi(month.substr(0, 4)) * 12 + std::stoi(month.substr(5, 2)) - 1;
}

std::string MonthText(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d", number / 12, number % 12 + 1);
  return text;
}

// A month step of 1, 2, 3, 6 months or whole years that gives at most
// `most` labels between the first and the last month.
int MonthStep(int first, int last, int most) {
  for (int step : {1, 2, 3, 6, 12, 24, 60, 120, 240}) {
    if ((last - first) / step + 1 <= most) return step;
  }
  return 600;
}

std::string MonthLabel(int number, int step) { return step >= 12 ? MonthText(number).substr(0, 4) : MonthText(number); }

// Labels at the month starts within [x_min, x_max] days.
std::vector<std::pair<double, std::string>> TimeLabels(double x_min, double x_max) {
  auto month_of = [](double day) {
    // Walk from an estimate to the month that holds the day.
    int number = static_cast<int>((day / 365.2425 + 1970) * 12);
    while (DayNumber(MonthText(number) + "-01") > day) --number;
    while (DayNumber(MonthText(number + 1) + "-01") <= day) ++number;
    return number;
  };
  const int first = month_of(x_min) + 1, last = month_of(x_max);
  const int step = MonthStep(first, last, 7);
  std::vector<std::pair<double, std::string>> labels;
  for (int n = first; n <= last; ++n) {
    if (n % step == 0) labels.emplace_back(DayNumber(MonthText(n) + "-01"), MonthLabel(n, step));
  }
  return labels;
}

struct Dated {
  double when;
  const FuelRecord* record;
};

std::vector<Dated> Chronological(const std::vector<FuelRecord>& fills, bool (*keep)(const FuelRecord&)) {
  std::vector<Dated> out;
  for (const FuelRecord& r : fills) {
    if (keep(r)) out.push_back({When(r.date, r.time), &r});
  }
  std::stable_sort(out.begin(), out.end(), [](const Dated& a, const Dated& b) { return a.when < b.when; });
  return out;
}

bool HasConsumption(const FuelRecord& r) { return r.distance > 0 && r.consumption > 0; }
bool HasPrice(const FuelRecord& r) { return r.price > 0; }

constexpr double kChartWidth = 640;

chart::Panel TimePanel(const std::vector<Dated>& points, double top, double height, double y_low, double y_high,
                       chart::Axis& axis) {
  chart::Panel p;
  p.left = 70;
  p.top = top;
  p.width = kChartWidth - 110;
  p.height = height;
  // A margin around the points, so that none sits on the frame.
  const double x_pad = std::max(3.0, (points.back().when - points.front().when) * 0.03);
  p.x_min = points.front().when - x_pad;
  p.x_max = points.back().when + x_pad;
  const double y_pad = std::max(y_high - y_low, std::fabs(y_high) * 0.02) * 0.06;
  axis = chart::NiceAxis(y_low - y_pad, y_high + y_pad, 5, false);
  p.y_min = axis.min;
  p.y_max = axis.max;
  return p;
}

std::string ConsumptionChart(const Report& report, const Units& units) {
  const std::vector<Dated> points = Chronological(report.fills, HasConsumption);
  if (points.empty()) return "<p class=\"empty\">No fill-up with a distance to chart.</p>\n";
  double low = points.front().record->consumption, high = low;
  std::vector<std::pair<double, double>> average;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double c = points[i].record->consumption;
    low = std::min(low, c);
    high = std::max(high, c);
    // The plain mean of this fill-up's consumption and the four before it.
    const std::size_t from = i >= 4 ? i - 4 : 0;
    double sum = 0;
    for (std::size_t k = from; k <= i; ++k) sum += points[k].record->consumption;
    average.emplace_back(points[i].when, sum / static_cast<double>(i - from + 1));
  }
  chart::Axis axis;
  const chart::Panel p = TimePanel(points, 70, 220, low, high, axis);
  const std::string title = "Consumption per fill-up, " + units.consumption;
  chart::SvgChart svg(kChartWidth, 350, "chart-consumption", title);
  svg.Legend(p.left, 24, {{"each fill-up (" + units.consumption + ")", "#1f5fa8"},
                          {"mean of the last 5 (" + units.consumption + ")", "#d2691e"}});
  svg.YAxis(p, axis.step, false, "consumption, " + units.consumption);
  svg.XLabels(p, TimeLabels(p.x_min, p.x_max), "date of the fill-up");
  svg.Frame(p);
  for (const Dated& d : points) {
    svg.Marker(p, d.when, d.record->consumption, "fillup", "#1f5fa8",
               d.record->date + ": " + PlainNumber(d.record->consumption) + " " + units.consumption);
  }
  svg.Polyline(p, average, "rolling-average", "#d2691e");
  return "<figure><div class=\"chart\">" + svg.Finish() + "</div><figcaption>" + Html(title) +
         ": each dot is one fill-up (fuel over the distance since the fill-up before); the orange line is the "
         "mean of that fill-up and the four before it.</figcaption></figure>\n";
}

std::string PriceChart(const Report& report, const Units& units) {
  const std::vector<Dated> points = Chronological(report.fills, HasPrice);
  if (points.empty()) return "<p class=\"empty\">No fill-up with a price to chart.</p>\n";
  const std::string per_unit = report.options.currency + "/" + units.volume;
  double low = points.front().record->price, high = low;
  std::vector<std::pair<double, double>> values;
  for (const Dated& d : points) {
    low = std::min(low, d.record->price);
    high = std::max(high, d.record->price);
    values.emplace_back(d.when, d.record->price);
  }
  chart::Axis axis;
  const chart::Panel p = TimePanel(points, 40, 220, low, high, axis);
  const std::string title = "Price per " + units.volume + ", " + per_unit;
  chart::SvgChart svg(kChartWidth, 320, "chart-price", title);
  svg.YAxis(p, axis.step, false, "price, " + per_unit);
  svg.XLabels(p, TimeLabels(p.x_min, p.x_max), "date of the fill-up");
  svg.Frame(p);
  svg.Polyline(p, values, "price", "#2e8b57");
  for (const Dated& d : points) {
    svg.Marker(p, d.when, d.record->price, "price-point", "#2e8b57",
               d.record->date + ": " + PlainNumber(d.record->price) + " " + per_unit);
  }
  return "<figure><div class=\"chart\">" + svg.Finish() + "</div><figcaption>" + Html(title) +
         " at each fill-up.</figcaption></figure>\n";
}

std::string MonthsChart(const Report& report, const Units& units) {
  if (report.months.empty()) return "<p class=\"empty\">No month to chart.</p>\n";
  const std::string& currency = report.options.currency;
  const int first = MonthNumber(report.months.front().month), last = MonthNumber(report.months.back().month);
  double top_distance = 0, top_cost = 0;
  for (const MonthRow& m : report.months) {
    top_distance = std::max({top_distance, m.distance, m.work_distance});
    top_cost = std::max(top_cost, m.cost);
  }
  const chart::Axis distance_axis = chart::NiceAxis(0, std::max(top_distance, 1.0), 4, true);
  const chart::Axis cost_axis = chart::NiceAxis(0, std::max(top_cost, 1.0), 4, true);
  chart::Panel distance{70, 70, kChartWidth - 110, 170, first - 0.5, last + 0.5, 0, distance_axis.max};
  chart::Panel cost{70, 300, kChartWidth - 110, 150, first - 0.5, last + 0.5, 0, cost_axis.max};
  const double bar = std::max(1.0, distance.width / (last - first + 1) * 0.7);

  chart::SvgChart svg(kChartWidth, 510, "chart-months", "Distance and cost per month");
  svg.Legend(distance.left, 24, {{"distance (" + units.distance + ")", "#7aa6d6"},
                                 {"of it for work (" + units.distance + ")", "#1f3f8f"},
                                 {"cost (" + currency + ")", "#c0804a"}});
  svg.YAxis(distance, distance_axis.step, false, "distance, " + units.distance);
  svg.YAxis(cost, cost_axis.step, false, "cost, " + currency);
  for (const MonthRow& m : report.months) {
    const double x = MonthNumber(m.month);
    svg.Bar(distance, x, bar, 0, m.distance, "distance", "#7aa6d6",
            m.month + ": " + PlainNumber(m.distance, 2) + " " + units.distance);
    // The work share: the work distance drawn inside the month's bar.
    svg.Bar(distance, x, bar, 0, m.work_distance, "work",
            "#1f3f8f", m.month + ": " + PlainNumber(m.work_distance, 2) + " " + units.distance + " for work");
    svg.Bar(cost, x, bar, 0, m.cost, "cost", "#c0804a", m.month + ": " + PlainNumber(m.cost, 2) + " " + currency);
  }
  const int step = MonthStep(first, last, 8);
  std::vector<std::pair<double, std::string>> labels;
  for (int n = first; n <= last; ++n) {
    if (n % step == 0 || (step == 1 && n == first)) labels.emplace_back(n, MonthLabel(n, step));
  }
  svg.XLabels(distance, labels, "");
  svg.XLabels(cost, labels, "month");
  svg.Frame(distance);
  svg.Frame(cost);
  return "<figure><div class=\"chart\">" + svg.Finish() + "</div>" +
         "<figcaption>Distance (" + Html(units.distance) + ", from the fill-ups) with the part driven for work "
         "(from the trip records' work meter) darker, and the cost of the fill-ups (" + Html(currency) +
         "), per month.</figcaption></figure>\n";
}

std::string Item(const std::string& id, const std::string& name, const std::string& value) {
  return "<div><dt>" + Html(name) + "</dt><dd id=\"" + id + "\">" + Html(value) + "</dd></div>\n";
}

std::string TotalsSection(const Report& report, const Units& units) {
  const Totals& t = report.totals;
  const std::string& currency = report.options.currency;
  const std::string per_unit = currency + "/" + units.volume;
  const std::optional<double> consumption = Consumption(t.distance, t.fuel, report.options.imperial);
  auto fill = [&](const std::optional<std::size_t>& i) {
    if (!i) return std::string("none");
    const FuelRecord& r = report.fills[*i];
    return Fixed(r.consumption, 2) + " " + units.consumption + " on " + r.date;
  };
  auto price = [&](const std::optional<double>& p, int decimals) {
    return p ? PlainNumber(*p, decimals) + " " + per_unit : std::string("none");
  };
  std::string html = "<dl class=\"totals\">\n";
  html += Item("total-distance", "Distance (" + units.distance + ")", Fixed(t.distance, 2) + " " + units.distance);
  html += Item("total-fuel", "Fuel (" + units.volume + ")", Fixed(t.fuel, 2) + " " + units.volume);
  html += Item("total-cost", "Cost (" + currency + ")", Fixed(t.cost, 2) + " " + currency);
  html += Item("average-consumption", "Average consumption (" + units.consumption + ")",
               consumption ? Fixed(*consumption, 2) + " " + units.consumption : "none");
  html += Item("best-fillup", "Best fill-up (" + units.consumption + ")", fill(t.best));
  html += Item("worst-fillup", "Worst fill-up (" + units.consumption + ")", fill(t.worst));
  html += Item("lowest-price", "Lowest price (" + per_unit + ")", price(t.lowest_price, -1));
  html += Item("highest-price", "Highest price (" + per_unit + ")", price(t.highest_price, -1));
  html += Item("average-price", "Average price paid (" + per_unit + ")", price(t.average_price, 3));
  html += Item("work-distance", "Driven for work (" + units.distance + ", trip records)",
               Fixed(t.work_distance, 2) + " " + units.distance);
  html += "</dl>\n";
  return html;
}

std::string Cell(const std::string& text) { return "<td>" + Html(text) + "</td>"; }
std::string TextCell(const std::string& text) { return "<td class=\"text\">" + Html(text) + "</td>"; }

std::string Table(const std::string& id, const std::vector<std::string>& heads, const std::string& rows) {
  std::string html = "<div class=\"scroll\"><table id=\"" + id + "\"><thead><tr>";
  for (const std::string& head : heads) html += "<th>" + Html(head) + "</th>";
  return html + "</tr></thead><tbody>\n" + rows + "</tbody></table></div>\n";
}

std::string FillUpsTable(const Report& report, const Units& units) {
  if (report.fills.empty()) return "<p class=\"empty\">No fill-ups.</p>\n";
  const std::string& currency = report.options.currency;
  std::vector<Dated> rows = Chronological(report.fills, [](const FuelRecord&) { return true; });
  std::string body;
  for (const Dated& d : rows) {
    const FuelRecord& r = *d.record;
    body += "<tr>" + TextCell(r.date) + TextCell(r.time) + Cell(PlainNumber(r.litres)) + Cell(PlainNumber(r.distance)) +
            Cell(PlainNumber(r.consumption)) + Cell(PlainNumber(r.price)) + Cell(Fixed(r.cost, 2)) +
            Cell(PlainNumber(r.cost_per_distance)) + TextCell(r.place) + "</tr>\n";
  }
  return Table("fillups", {"date", "time", "fuel (" + units.volume + ")", "distance (" + units.distance + ")",
                           "consumption (" + units.consumption + ")", "price (" + currency + "/" + units.volume + ")",
                           "cost (" + currency + ")", "cost per " + units.distance + " (" + currency + "/" +
                           units.distance + ")", "place"},
               body);
}

std::string MonthsTable(const Report& report, const Units& units) {
  if (report.months.empty()) return "<p class=\"empty\">No months.</p>\n";
  const std::string& currency = report.options.currency;
  std::string body;
  for (const MonthRow& m : report.months) {
    const std::optional<double> consumption = Consumption(m.distance, m.fuel, report.options.imperial);
    const std::string share = m.distance > 0 ? Fixed(100 * m.work_distance / m.distance, 0) + " %" : "";
    body += "<tr>" + TextCell(m.month) + Cell(Fixed(m.distance, 2)) + Cell(Fixed(m.work_distance, 2)) +
            Cell(share) + Cell(Fixed(m.fuel, 2)) + Cell(Fixed(m.cost, 2)) +
            Cell(consumption ? Fixed(*consumption, 2) : "") + Cell(std::to_string(m.fill_ups)) +
            Cell(std::to_string(m.trips)) + "</tr>\n";
  }
  return Table("months", {"month", "distance (" + units.distance + ")", "for work (" + units.distance + ")",
                          "work share", "fuel (" + units.volume + ")", "cost (" + currency + ")",
                          "consumption (" + units.consumption + ")", "fill-ups", "trip records"},
               body);
}

std::string TripsTable(const Report& report, const Units& units) {
  if (report.trips.empty()) return "<p class=\"empty\">No trip records.</p>\n";
  std::string body;
  for (const TripRecord& r : report.trips) {
    body += "<tr>" + TextCell(r.date) + TextCell(r.time) + Cell(PlainNumber(r.trip)) + Cell(PlainNumber(r.total)) +
            Cell(PlainNumber(r.work)) + Cell(PlainNumber(r.work_added, 6)) + TextCell(r.place) + "</tr>\n";
  }
  const std::string& u = units.distance;
  return Table("trips", {"date", "time", "trip (" + u + ")", "since fill-up (" + u + ")", "work meter (" + u + ")",
                         "work added (" + u + ")", "place"},
               body);
}

std::string BadLinesSection(const Report& report) {
  if (report.bad.empty()) return "<p id=\"bad-none\">Every line was read.</p>\n";
  std::string html = "<ul id=\"bad-list\">\n";
  for (const BadLine& b : report.bad) {
    html += "<li><code>" + Html(b.file + ":" + std::to_string(b.line) + ": " + b.why) + "</code></li>\n";
  }
  return html + "</ul>\n";
}

constexpr char kStyle[] = R"(
:root{color-scheme:light}
*{box-sizing:border-box}
body{font:16px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif;margin:0 auto;
max-width:62rem;padding:1rem;color:#1b1b1b;background:#fff}
h1{font-size:1.6rem;margin:.2rem 0}
h2{font-size:1.25rem;border-bottom:1px solid #ccc;padding-bottom:.2rem;margin-top:2rem}
.meta{color:#444;margin:.2rem 0}
.totals{display:grid;grid-template-columns:repeat(auto-fill,minmax(10.5rem,1fr));gap:.5rem;margin:0}
.totals div{border:1px solid #d6d6d6;border-radius:6px;padding:.45rem .7rem}
.totals dt{font-size:.85rem;color:#555}
.totals dd{margin:0;font-size:1.1rem;font-weight:600}
figure{margin:1rem 0}
figure svg{width:100%;height:auto;display:block}
figcaption{font-size:.85rem;color:#444}
.scroll,.chart{overflow-x:auto;max-width:100%}
table{border-collapse:collapse;font-size:.9rem;font-variant-numeric:tabular-nums}
th,td{padding:.25rem .55rem;border-bottom:1px solid #e3e3e3;text-align:right;white-space:nowrap}
th{background:#f1f1f1;font-weight:600}
td.text{text-align:left}
#bad-list code{white-space:pre-wrap;word-break:break-all}
.empty{color:#555;font-style:italic}
@media (max-width:40rem){body{padding:.6rem;font-size:15px}h1{font-size:1.35rem}table{font-size:.8rem}
.chart svg{min-width:32rem}}
@media print{
@page{margin:14mm}
body{max-width:none;padding:0;font-size:10pt;color:#000}
h2{break-after:avoid}
figure,.totals div,tr{break-inside:avoid}
figure{max-width:150mm;margin:4mm auto}
thead{display:table-header-group}
.scroll,.chart{overflow:visible}
th{background:none;border-bottom:1px solid #000}
table{font-size:8.5pt}
}
)";

}  // namespace

std::string ReportHtml(const Report& report) {
  const Units units = UnitsFor(report.options);
  const Totals& t = report.totals;
  std::string html;
  html.reserve(200000 + report.trips.size() * 200 + report.fills.size() * 1200);
  html += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
          "<title>Trip and fuel report</title>\n<style>";
  html += kStyle;
  html += "</style>\n</head>\n<body>\n<header>\n<h1>Trip and fuel report</h1>\n";
  const bool none = report.fills.empty() && report.trips.empty();
  if (none) {
    html += "<p class=\"meta\" id=\"no-records\">No records: the logs read hold no fill-up and no trip record";
    html += report.outside_dates > 0 ? " within the dates asked for.</p>\n" : ".</p>\n";
  } else {
    html += "<p class=\"meta\" id=\"period\">" + Html(t.first_date) + " to " + Html(t.last_date) + ": " +
            std::to_string(report.fills.size()) + " fill-up(s), " + std::to_string(report.trips.size()) +
            " trip record(s).</p>\n";
  }
  html += "<p class=\"meta\">Units: " + Html(units.distance) + ", " + Html(units.volume) + ", " +
          Html(units.consumption) + "; money in " + Html(report.options.currency) + ".";
  if (!report.options.from.empty() || !report.options.to.empty()) {
    html += " Dates from " + Html(report.options.from.empty() ? "the first record" : report.options.from) + " to " +
            Html(report.options.to.empty() ? "the last record" : report.options.to) + ".";
  }
  html += " Read from:";
  for (const std::string& file : report.files) html += " <code>" + Html(file) + "</code>";
  if (report.files.empty()) html += " no log";
  html += ".";
  if (report.duplicates > 0) {
    html += " " + std::to_string(report.duplicates) + " record(s) read a second time were counted once.";
  }
  html += "</p>\n";
  for (const std::string& note : report.notes) html += "<p class=\"meta\">" + Html(note) + "</p>\n";
  html += "</header>\n";

  html += "<section id=\"totals\">\n<h2>Totals</h2>\n" + TotalsSection(report, units) + "</section>\n";
  html += "<section id=\"consumption\">\n<h2>Consumption per fill-up</h2>\n" + ConsumptionChart(report, units) +
          "</section>\n";
  html += "<section id=\"price\">\n<h2>Price per " + Html(units.volume) + "</h2>\n" + PriceChart(report, units) +
          "</section>\n";
  html += "<section id=\"per-month\">\n<h2>Distance and cost per month</h2>\n" + MonthsChart(report, units) +
          "</section>\n";
  html += "<section id=\"fillups-section\">\n<h2>Fill-ups</h2>\n" + FillUpsTable(report, units) + "</section>\n";
  html += "<section id=\"months-section\">\n<h2>Months</h2>\n" + MonthsTable(report, units) + "</section>\n";
  html += "<section id=\"trips-section\">\n<h2>Trip records</h2>\n" + TripsTable(report, units) + "</section>\n";
  html += "<section id=\"bad-lines\">\n<h2>Lines not read</h2>\n" + BadLinesSection(report) + "</section>\n";
  html += "</body>\n</html>\n";
  return html;
}

}  // namespace trezik::report
