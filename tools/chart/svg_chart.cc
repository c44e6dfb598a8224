#include "tools/chart/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace trezik::chart {

double NiceStep(double span, int count) {
  if (!(span > 0) || count < 1) return 1.0;
  const double raw = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10.0 * power;
}

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string Label(double value, double step) {
  char text[32];
  const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
  // A tick that lands a rounding error below zero is still 0, not -0.
  if (std::fabs(value) < step * 1e-9) value = 0;
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

Axis NiceAxis(double low, double high, int count, bool include_zero) {
  if (include_zero && low > 0) low = 0;
  if (!(high > low)) high = low + 1;
  Axis axis;
  axis.step = NiceStep(high - low, count);
  axis.min = std::floor(low / axis.step) * axis.step;
  axis.max = std::ceil(high / axis.step) * axis.step;
  return axis;
}

double Panel::X(double value) const {
  const double span = x_max - x_min;
  return left + (span > 0 ? (value - x_min) / span : 0.5) * width;
}

double Panel::Y(double value) const {
  const double span = y_max - y_min;
  return top + height - (span > 0 ? (value - y_min) / span : 0.0) * height;
}

SvgChart::SvgChart(double width, double height, std::string_view id, std::string_view label) {
  svg_ = "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"" + Escape(id) + "\" viewBox=\"0 0 " + Number(width) +
         " " + Number(height) + "\" role=\"img\" aria-label=\"" + Escape(label) +
         "\" font-family=\"sans-serif\" font-size=\"13\">\n<title>" + Escape(label) + "</title>\n";
}

void SvgChart::YAxis(const Panel& p, double step, bool right, std::string_view caption) {
  for (double v = p.y_min; v <= p.y_max + step * 1e-6; v += step) {
    const std::string y = Number(p.Y(v));
    if (!right) {
      svg_ += "<line class=\"grid\" x1=\"" + Number(p.left) + "\" y1=\"" + y + "\" x2=\"" +
              Number(p.left + p.width) + "\" y2=\"" + y + "\" stroke=\"#e4e4e4\"/>\n";
    }
    Text(right ? p.left + p.width + 5 : p.left - 5, p.Y(v) + 4, Label(v, step), right ? "start" : "end");
  }
  Text(right ? p.left + p.width : p.left - 40, p.top - 10, caption, right ? "end" : "start",
       "font-weight=\"bold\"");
}

void SvgChart::XLabels(const Panel& p, const std::vector<std::pair<double, std::string>>& labels,
                       std::string_view caption) {
  const double base = p.top + p.height;
  for (const auto& [x, text] : labels) {
    const std::string px = Number(p.X(x));
    svg_ += "<line class=\"tick\" x1=\"" + px + "\" y1=\"" + Number(base) + "\" x2=\"" + px + "\" y2=\"" +
            Number(base + 5) + "\" stroke=\"#888\"/>\n";
    Text(p.X(x), base + 19, text, "middle");
  }
  if (!caption.empty()) Text(p.left + p.width / 2, base + 38, caption, "middle");
}

void SvgChart::Frame(const Panel& p) {
  svg_ += "<rect class=\"frame\" x=\"" + Number(p.left) + "\" y=\"" + Number(p.top) + "\" width=\"" +
          Number(p.width) + "\" height=\"" + Number(p.height) + "\" fill=\"none\" stroke=\"#888\"/>\n";
}

void SvgChart::Polyline(const Panel& p, const std::vector<std::pair<double, double>>& points,
                        std::string_view css_class, std::string_view colour, std::string_view dash) {
  svg_ += "<polyline class=\"" + Escape(css_class) + "\" fill=\"none\" stroke=\"" + Escape(colour) +
          "\" stroke-width=\"2\"";
  if (!dash.empty()) svg_ += " stroke-dasharray=\"" + Escape(dash) + "\"";
  svg_ += " points=\"";
  for (const auto& [x, y] : points) svg_ += Number(p.X(x)) + "," + Number(p.Y(y)) + " ";
  if (!points.empty()) svg_.pop_back();
  svg_ += "\"/>\n";
}

void SvgChart::Marker(const Panel& p, double x, double y, std::string_view css_class, std::string_view colour,
                      std::string_view tooltip) {
  svg_ += "<circle class=\"" + Escape(css_class) + "\" cx=\"" + Number(p.X(x)) + "\" cy=\"" + Number(p.Y(y)) +
          "\" r=\"3\" fill=\"" + Escape(colour) + "\"><title>" + Escape(tooltip) + "</title></circle>\n";
}

void SvgChart::Bar(const Panel& p, double x, double width, double y0, double y1, std::string_view css_class,
                   std::string_view colour, std::string_view tooltip) {
  const double top = std::min(p.Y(y0), p.Y(y1));
  const double height = std::fabs(p.Y(y1) - p.Y(y0));
  svg_ += "<rect class=\"" + Escape(css_class) + "\" x=\"" + Number(p.X(x) - width / 2) + "\" y=\"" +
          Number(top) + "\" width=\"" + Number(width) + "\" height=\"" + Number(height) + "\" fill=\"" +
          Escape(colour) + "\"><title>" + Escape(tooltip) + "</title></rect>\n";
}

void SvgChart::Text(double x, double y, std::string_view text, std::string_view anchor, std::string_view extra) {
  svg_ += "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" text-anchor=\"" + Escape(anchor) + "\"";
  if (!extra.empty()) svg_ += " " + std::string(extra);
  svg_ += ">" + Escape(text) + "</text>\n";
}

void SvgChart::Legend(double x, double y, const std::vector<LegendItem>& items) {
  for (const LegendItem& item : items) {
    svg_ += "<rect class=\"legend\" x=\"" + Number(x) + "\" y=\"" + Number(y - 9) +
            "\" width=\"14\" height=\"9\" fill=\"" + Escape(item.colour) + "\"/>\n";
    Text(x + 18, y, item.name);
    x += 18 + 7.5 * static_cast<double>(item.name.size()) + 16;
  }
}

std::string SvgChart::Finish() {
  svg_ += "</svg>\n";
  return std::move(svg_);
}

}  // namespace trezik::chart
