// The page's charts: consumption and price per fill-up over time, distance
// and cost per month, and a simulated run's drive chart.
#include <algorithm>
#include <cmath>

#include "tools/chart/svg_chart.h"
#include "tools/report/calendar.h"
#include "tools/report/number_text.h"
#include "tools/report/page_parts.h"

namespace trezik::report::page {
namespace {

constexpr double kChartWidth = 640;
// Months drawn at most in the monthly chart (the table and months.csv have them all).
constexpr int kMostMonthsDrawn = 120;
constexpr int kRollingPoints = 5;

// A month step of 1, 2, 3, 6 months or whole years that gives at most
// `most` labels between the first and the last month.
int MonthStep(int first, int last, int most) {
  for (int step : {1, 2, 3, 6, 12, 24, 60, 120, 240, 600, 1200}) {
    if ((last - first) / step + 1 <= most) return step;
  }
  return 12000;
}

std::string MonthLabel(int number, int step) {
  return step >= 12 ? MonthText(number).substr(0, 4) : MonthText(number);
}

// Labels at month starts within [x_min, x_max] days, or at days when fewer
// than three month starts fall inside: at least three ticks, at most seven.
std::vector<std::pair<double, std::string>> TimeLabels(double x_min, double x_max) {
  const int first = MonthNumber(DateOfDay(x_min)) + 1, last = MonthNumber(DateOfDay(x_max));
  std::vector<std::pair<double, std::string>> labels;
  if (last - first + 1 >= 3) {
    const int step = MonthStep(first, last, 7);
    for (int n = first; n <= last; ++n) {
      if (n % step == 0) labels.emplace_back(DayNumber(MonthText(n) + "-01"), MonthLabel(n, step));
    }
    if (labels.size() >= 3) return labels;
    labels.clear();
  }
  const double from = std::ceil(x_min), to = std::floor(x_max);
  int step = 1;
  for (int s : {1, 2, 3, 5, 7, 14, 21, 28, 35, 42, 56}) {
    step = s;
    if ((to - from) / s + 1 <= 7) break;
  }
  for (double day = from; day <= to; day += step) labels.emplace_back(day, DateOfDay(day).substr(5));
  return labels;
}

chart::Panel TimePanel(const std::vector<SeriesPoint>& points, double top, double height, chart::Axis& axis) {
  double low = points.front().value, high = low;
  for (const SeriesPoint& p : points) {
    low = std::min(low, p.value);
    high = std::max(high, p.value);
  }
  chart::Panel panel;
  panel.left = 70;
  panel.top = top;
  panel.width = kChartWidth - 110;
  panel.height = height;
  // A margin around the points, so that none sits on the frame.
  const double x_pad = std::max(3.0, (points.back().when - points.front().when) * 0.03);
  panel.x_min = points.front().when - x_pad;
  panel.x_max = points.back().when + x_pad;
  double y_pad = std::max(high - low, std::fabs(high) * 0.02) * 0.06;
  // Few points close together (one fill-up alone) get a band a driver can
  // read, a quarter of their value wide, not a scale of their rounding; a
  // band of figures that cannot go below zero stops at zero.
  const double least = std::max(std::fabs(high), std::fabs(low)) * 0.25;
  if (high - low + 2 * y_pad < least) y_pad = (least - (high - low)) / 2;
  if (least == 0) y_pad = 1;
  double bottom = low - y_pad;
  if (low >= 0 && bottom < 0) bottom = 0;
  axis = chart::NiceAxis(bottom, high + y_pad, 5, false);
  panel.y_min = axis.min;
  panel.y_max = axis.max;
  return panel;
}

bool EachPointOneRecord(const std::vector<SeriesPoint>& points) {
  return std::all_of(points.begin(), points.end(), [](const SeriesPoint& p) { return p.count == 1; });
}

std::string Figure(const std::string& svg, const std::string& caption) {
  return "<figure><div class=\"chart\">" + svg + "</div><figcaption>" + caption + "</figcaption></figure>\n";
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 3; ++k) v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

}  // namespace

std::string ConsumptionChart(const Report& r) {
  const std::vector<SeriesPoint>& points = r.consumption_points;
  if (points.empty()) return "<p class=\"empty\">No fill-up with a distance to chart.</p>\n";
  const std::string& unit = r.units.consumption;
  const bool single = EachPointOneRecord(points);
  const std::string dot = single ? "each fill-up" : "mean of about " +
                                                        std::to_string(r.consumption_records /
                                                                       static_cast<long>(points.size())) +
                                                        " fill-ups";
  const bool rolling = points.size() >= static_cast<std::size_t>(kRollingPoints);
  const std::string line = single ? "mean of the last 5 fill-ups" : "mean of the last 5 points";
  chart::Axis axis;
  const chart::Panel p = TimePanel(points, 70, 220, axis);
  const std::string title = "Consumption per fill-up, " + unit;
  chart::SvgChart svg(kChartWidth, 350, "chart-consumption", title);
  std::vector<chart::LegendItem> legend = {{dot, "#1f5fa8"}};
  if (rolling) legend.push_back({line, "#d2691e"});
  svg.Legend(p.left, 24, legend);
  svg.YAxis(p, axis.step, false, "consumption, " + unit);
  svg.XLabels(p, TimeLabels(p.x_min, p.x_max), "date of the fill-up");
  svg.Frame(p);
  std::vector<std::pair<double, double>> average;
  for (std::size_t i = 0; i < points.size(); ++i) {
    svg.Marker(p, points[i].when, points[i].value, "fillup", "#1f5fa8",
               DateOfDay(points[i].when) + ": " + ConsumptionText(r, points[i].value));
    if (rolling && i + 1 >= static_cast<std::size_t>(kRollingPoints)) {
      double sum = 0;
      for (std::size_t k = i + 1 - kRollingPoints; k <= i; ++k) sum += points[k].value;
      average.emplace_back(points[i].when, sum / kRollingPoints);
    }
  }
  if (rolling) svg.Polyline(p, average, "rolling-average", "#d2691e");
  std::string caption = Html(title) + ": each dot is " +
                        (single ? std::string("one fill-up (fuel over the distance since the fill-up before)")
                                : "the mean of about " + std::to_string(r.consumption_records / static_cast<long>(
                                                                                                    points.size())) +
                                      " fill-ups in date order, so that " + std::to_string(r.consumption_records) +
                                      " fill-ups fit the chart");
  if (rolling) caption += "; the orange line is the " + line + ".";
  return Figure(svg.Finish(), caption);
}

std::string PriceChart(const Report& r) {
  const std::vector<SeriesPoint>& points = r.price_points;
  if (points.empty()) return "<p class=\"empty\">No fill-up with a price to chart.</p>\n";
  const std::string per_unit = MoneyPer(r, r.units.volume);
  std::vector<std::pair<double, double>> values;
  for (const SeriesPoint& point : points) values.emplace_back(point.when, point.value);
  chart::Axis axis;
  const chart::Panel p = TimePanel(points, 40, 220, axis);
  const std::string title =
      "Price per " + r.units.volume + (r.options.currency.empty() ? "" : ", " + per_unit);
  chart::SvgChart svg(kChartWidth, 320, "chart-price", title);
  svg.YAxis(p, axis.step, false, r.options.currency.empty() ? "price " + per_unit : "price, " + per_unit);
  svg.XLabels(p, TimeLabels(p.x_min, p.x_max), "date of the fill-up");
  svg.Frame(p);
  svg.Polyline(p, values, "price", "#2e8b57");
  for (const SeriesPoint& point : points) {
    svg.Marker(p, point.when, point.value, "price-point", "#2e8b57",
               DateOfDay(point.when) + ": " + Price(r, point.value, r.units.volume));
  }
  return Figure(svg.Finish(), Html(title) + (EachPointOneRecord(points) ? " at each fill-up."
                                                                          : ", each dot the mean of a few fill-ups."));
}

std::string MonthsChart(const Report& r) {
  if (r.months.empty()) return "<p class=\"empty\">No month to chart.</p>\n";
  const Units& u = r.units;
  const std::size_t skip = r.months.size() > kMostMonthsDrawn ? r.months.size() - kMostMonthsDrawn : 0;
  const std::vector<PeriodRow> months(r.months.begin() + static_cast<std::ptrdiff_t>(skip), r.months.end());
  const int first = MonthNumber(months.front().period), last = MonthNumber(months.back().period);
  const bool costs = r.totals.fill_ups > 0;
  double top_distance = 0, top_cost = 0;
  for (const PeriodRow& m : months) {
    top_distance = std::max({top_distance, m.sums.fill_distance, m.sums.trip_distance, m.sums.work_distance});
    top_cost = std::max(top_cost, m.sums.cost);
  }
  const chart::Axis distance_axis = chart::NiceAxis(0, std::max(top_distance, 1.0), 4, true);
  const chart::Axis cost_axis = chart::NiceAxis(0, std::max(top_cost, 1.0), 4, true);
  chart::Panel distance{70, 70, kChartWidth - 110, 170, first - 0.5, last + 0.5, 0, distance_axis.max};
  chart::Panel cost{70, 300, kChartWidth - 110, 150, first - 0.5, last + 0.5, 0, cost_axis.max};
  const double slot = distance.width / (last - first + 1);
  const double bar = std::clamp(slot * 0.38, 1.0, 40.0);

  chart::SvgChart svg(kChartWidth, costs ? 510 : 290, "chart-months", "Distance and cost per month");
  std::vector<chart::LegendItem> legend = {{"driven, trip records", "#7aa6d6"}, {"of it for work", "#1f3f8f"}};
  if (costs) legend.insert(legend.end(), {{"between fill-ups", "#9c9c9c"}, {"cost", "#c0804a"}});
  svg.Legend(distance.left, 24, legend);
  svg.YAxis(distance, distance_axis.step, false, "distance, " + u.distance);
  if (costs) svg.YAxis(cost, cost_axis.step, false, r.options.currency.empty() ? "cost" : "cost, " + r.options.currency);
  for (const PeriodRow& m : months) {
    const double x = MonthNumber(m.period);
    const double shift = costs ? 0.2 : 0;  // of a month: the two distances side by side
    svg.Bar(distance, x - shift, bar, 0, m.sums.trip_distance, "trip-distance", "#7aa6d6",
            m.period + ": driven " + Distance(r, m.sums.trip_distance) + " (trip records)");
    svg.Bar(distance, x - shift, bar, 0, m.sums.work_distance, "work", "#1f3f8f",
            m.period + ": " + Distance(r, m.sums.work_distance) + " for work");
    if (!costs) continue;
    svg.Bar(distance, x + shift, bar, 0, m.sums.fill_distance, "distance", "#9c9c9c",
            m.period + ": " + Distance(r, m.sums.fill_distance) + " between fill-ups");
    svg.Bar(cost, x, bar, 0, m.sums.cost, "cost", "#c0804a", m.period + ": " + Money(r, m.sums.cost));
  }
  const int step = MonthStep(first, last, 8);
  std::vector<std::pair<double, std::string>> labels;
  for (int n = first; n <= last; ++n) {
    if (n % step == 0 || (step == 1 && n == first)) labels.emplace_back(n, MonthLabel(n, step));
  }
  svg.XLabels(distance, labels, costs ? "" : "month");
  svg.Frame(distance);
  if (costs) {
    svg.XLabels(cost, labels, "month");
    svg.Frame(cost);
  }
  std::string caption = "Per month: the distance driven (" + Html(u.distance) +
                        ", from the trip records) with the part driven for work darker";
  caption += costs ? ", beside the distance logged at the fill-ups (driven since the fill-up before), and the cost "
                     "of the fill-ups."
                   : ".";
  if (skip > 0) caption += " The last " + std::to_string(kMostMonthsDrawn) + " months; months.csv has them all.";
  return Figure(svg.Finish(), caption);
}

std::string DriveChart(const Report& r) {
  if (r.drive_chart_svg.empty()) return "";
  // As an image from the page itself: a picture shown this way runs no
  // script and loads nothing, whatever the file holds.
  return "<section id=\"drive\">\n<h2>The drive</h2>\n<figure><img id=\"drive-chart\" class=\"drive\" "
         "alt=\"the drive chart of the run\" src=\"data:image/svg+xml;base64," +
         Base64(r.drive_chart_svg) +
         "\"><figcaption>The drive as the simulator drew it: speed, the meters and the plug-in's "
         "records over the drive's time.</figcaption></figure>\n</section>\n";
}

}  // namespace trezik::report::page
