// Small pieces for drawing charts as SVG text, shared by the drive
// simulator's drive chart and the report's charts: tick spacing, number and
// label texts, XML escaping, and a plot area with its axes, lines, markers,
// bars and legend.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trezik::chart {

// "1, 2, 5 times a power of ten" tick spacing for a span cut into about
// `count` parts.
double NiceStep(double span, int count);

// Text made safe for an XML text node or attribute value.
std::string Escape(std::string_view text);

// A coordinate with one decimal.
std::string Number(double value);

// A tick label with as many decimals as the step between ticks needs.
std::string Label(double value, double step);

// An axis range widened outwards to whole steps of a nice step.
struct Axis {
  double min = 0, max = 1, step = 1;
};
// `include_zero` starts the axis at 0 when every value is positive.
Axis NiceAxis(double low, double high, int count, bool include_zero);

// A rectangle of the picture that maps x and y values onto it.
struct Panel {
  double left = 0, top = 0, width = 1, height = 1;
  double x_min = 0, x_max = 1, y_min = 0, y_max = 1;
  double X(double value) const;
  double Y(double value) const;
};

struct LegendItem {
  std::string name;
  std::string colour;
};

// An SVG picture built piece by piece. Every drawn piece carries a class so
// that a reader (or a test) can find it.
class SvgChart {
 public:
  // `label` becomes the picture's accessible name and its <title>.
  SvgChart(double width, double height, std::string_view id, std::string_view label);

  // Grid lines and labels for the y axis of `panel` every `step`, on the
  // left or the right, with a caption above the axis.
  void YAxis(const Panel& panel, double step, bool right, std::string_view caption);
  // Labels under the panel at the given x values, with a caption below.
  void XLabels(const Panel& panel, const std::vector<std::pair<double, std::string>>& labels,
               std::string_view caption);
  void Frame(const Panel& panel);
  void Polyline(const Panel& panel, const std::vector<std::pair<double, double>>& points,
                std::string_view css_class, std::string_view colour, std::string_view dash = {});
  // A dot with a tooltip.
  void Marker(const Panel& panel, double x, double y, std::string_view css_class, std::string_view colour,
              std::string_view tooltip);
  // A bar from y0 to y1 centred on x, `width` in picture units.
  void Bar(const Panel& panel, double x, double width, double y0, double y1, std::string_view css_class,
           std::string_view colour, std::string_view tooltip);
  void Text(double x, double y, std::string_view text, std::string_view anchor = "start",
            std::string_view extra = {});
  void Legend(double x, double y, const std::vector<LegendItem>& items);

  std::string Finish();

 private:
  std::string svg_;
};

}  // namespace trezik::chart
