#include "tools/simulator/chart_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "tools/chart/svg_chart.h"

namespace trezik::drive {

double NiceStep(double span, int count) { return chart::NiceStep(span, count); }

namespace {

using chart::Escape;
using chart::Label;
using chart::Number;

struct Panel {
  double left, top, width, height;
  double y_min, y_max;
  double Y(double value) const {
    const double span = y_max - y_min;
    return top + height - (span > 0 ? (value - y_min) / span : 0.0) * height;
  }
};

constexpr double kLeft = 70, kWidth = 900, kChartWidth = 1060;

}  // namespace

std::string DrawChartSvg(const SimulationResult& result, const ChartText& text) {
  std::ostringstream svg;
  const auto& ticks = result.ticks;
  const double last = ticks.empty() ? 1.0 : std::max(1, ticks.back().second);
  auto x = [&](double second) { return kLeft + second / last * kWidth; };

  double top_speed = 0, top_meter = 0, total_min = 1e300, total_max = -1e300;
  for (const TickRecord& t : ticks) {
    top_speed = std::max(top_speed, t.speed);
    top_meter = std::max({top_meter, t.trip, t.work});
    total_min = std::min(total_min, t.total);
    total_max = std::max(total_max, t.total);
  }
  if (ticks.empty()) total_min = total_max = 0;
  const double speed_step = NiceStep(std::max(top_speed, 10.0), 4);
  const double meter_step = NiceStep(std::max(top_meter, 1.0), 5);
  const double total_step = NiceStep(std::max(total_max - total_min, 1.0), 5);
  Panel speed{kLeft, 70, kWidth, 150, 0, std::ceil(std::max(top_speed, 10.0) / speed_step) * speed_step};
  Panel meters{kLeft, 270, kWidth, 250, 0, std::ceil(std::max(top_meter, 1.0) / meter_step) * meter_step};
  Panel total{kLeft, 270, kWidth, 250, std::floor(total_min / total_step) * total_step,
              std::ceil(std::max(total_max, total_min + 1e-9) / total_step) * total_step};

  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kChartWidth << "\" height=\"600\" "
      << "viewBox=\"0 0 " << kChartWidth << " 600\" font-family=\"sans-serif\" font-size=\"12\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
      << "<text x=\"" << kLeft << "\" y=\"24\" font-size=\"16\" font-weight=\"bold\">" << Escape(text.title)
      << "</text>\n";

  // Work recording: shaded bands over both panels.
  for (std::size_t i = 0; i < ticks.size();) {
    if (!ticks[i].work_on) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j + 1 < ticks.size() && ticks[j + 1].work_on) ++j;
    svg << "<rect class=\"work\" x=\"" << Number(x(ticks[i].second)) << "\" y=\"" << speed.top << "\" width=\""
        << Number(std::max(1.0, x(ticks[j].second) - x(ticks[i].second))) << "\" height=\""
        << meters.top + meters.height - speed.top << "\" fill=\"#fde9c8\"/>\n";
    i = j + 1;
  }

  // Axes and grid.
  auto grid = [&](const Panel& p, double step, const char* side, const std::string& caption) {
    const bool right = std::string(side) == "right";
    for (double v = p.y_min; v <= p.y_max + step * 1e-6; v += step) {
      const double y = p.Y(v);
      if (!right) {
        svg << "<line x1=\"" << p.left << "\" y1=\"" << Number(y) << "\" x2=\"" << p.left + p.width << "\" y2=\""
            << Number(y) << "\" stroke=\"#e4e4e4\"/>\n";
      }
      svg << "<text x=\"" << (right ? p.left + p.width + 6 : p.left - 6) << "\" y=\"" << Number(y + 4)
          << "\" text-anchor=\"" << (right ? "start" : "end") << "\">" << Label(v, step) << "</text>\n";
    }
    svg << "<text x=\"" << (right ? p.left + p.width : p.left) << "\" y=\"" << p.top - 8
        << "\" text-anchor=\"" << (right ? "end" : "start") << "\" font-weight=\"bold\">" << Escape(caption)
        << "</text>\n";
    svg << "<rect x=\"" << p.left << "\" y=\"" << p.top << "\" width=\"" << p.width << "\" height=\"" << p.height
        << "\" fill=\"none\" stroke=\"#888\"/>\n";
  };
  grid(speed, speed_step, "left", "speed " + text.speed_unit);
  grid(meters, meter_step, "left", "tripmeter, workmeter " + text.distance_unit);
  grid(total, total_step, "right", "triptotal " + text.distance_unit);
  const double minute_step = NiceStep(last / 60.0, 10);
  for (double m = 0; m * 60.0 <= last + 1e-9; m += minute_step) {
    svg << "<text x=\"" << Number(x(m * 60.0)) << "\" y=\"" << meters.top + meters.height + 18
        << "\" text-anchor=\"middle\">" << Label(m, minute_step) << "</text>\n";
  }
  svg << "<text x=\"" << kLeft + kWidth / 2 << "\" y=\"" << meters.top + meters.height + 38
      << "\" text-anchor=\"middle\">minutes after the first fix</text>\n";

  // Lines, thinned to at most about 1500 points.
  const std::size_t stride = std::max<std::size_t>(1, ticks.size() / 1500);
  auto line = [&](const Panel& p, double TickRecord::*field, const char* css, const char* colour,
                  const char* dash) {
    svg << "<polyline class=\"" << css << "\" fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"1.6\""
        << (dash[0] ? std::string(" stroke-dasharray=\"") + dash + "\"" : std::string()) << " points=\"";
    for (std::size_t i = 0; i < ticks.size(); i += stride) {
      svg << Number(x(ticks[i].second)) << "," << Number(p.Y(ticks[i].*field)) << " ";
    }
    if (!ticks.empty()) svg << Number(x(ticks.back().second)) << "," << Number(p.Y(ticks.back().*field));
    svg << "\"/>\n";
  };
  line(speed, &TickRecord::speed, "speed", "#3b6fb6", "");
  line(total, &TickRecord::total, "triptotal", "#2e8b57", "6 3");
  line(meters, &TickRecord::trip, "tripmeter", "#1f3f8f", "");
  line(meters, &TickRecord::work, "workmeter", "#d2691e", "");

  // Steps dropped by the 2-unit bound.
  for (const DroppedStep& step : result.dropped) {
    const double px = x(step.second);
    svg << "<path class=\"dropped\" d=\"M" << Number(px - 5) << "," << speed.top - 12 << " L" << Number(px + 5)
        << "," << speed.top - 12 << " L" << Number(px) << "," << speed.top - 3 << " Z\" fill=\"#c0392b\">"
        << "<title>step of " << Number(step.length) << " " << Escape(text.distance_unit)
        << " dropped</title></path>\n";
  }
  if (!result.dropped.empty()) {
    svg << "<text x=\"" << Number(x(result.dropped.front().second) + 8) << "\" y=\"" << speed.top - 4
        << "\" fill=\"#c0392b\">GPS jump dropped</text>\n";
  }
  // Fill-ups.
  for (const FillUp& fill : result.fill_ups) {
    const double px = x(fill.second);
    svg << "<line class=\"fillup\" x1=\"" << Number(px) << "\" y1=\"" << speed.top << "\" x2=\"" << Number(px)
        << "\" y2=\"" << meters.top + meters.height << "\" stroke=\"#8e44ad\" stroke-width=\"2\"/>\n"
        << "<text x=\"" << Number(px - 4) << "\" y=\"" << meters.top + meters.height - 8
        << "\" text-anchor=\"end\" fill=\"#8e44ad\">"
        << "fill-up " << Escape(fill.quantity) << " " << Escape(text.volume_unit) << " at " << Escape(fill.price)
        << "</text>\n";
  }

  // Legend.
  const struct {
    const char* name;
    const char* colour;
  } legend[] = {{"speed", "#3b6fb6"}, {"tripmeter", "#1f3f8f"}, {"workmeter", "#d2691e"},
                {"triptotal (right scale)", "#2e8b57"}, {"work recording", "#f5c77e"}, {"fill-up", "#8e44ad"}};
  double lx = kLeft;
  for (const auto& item : legend) {
    svg << "<rect x=\"" << lx << "\" y=\"36\" width=\"14\" height=\"8\" fill=\"" << item.colour << "\"/>"
        << "<text x=\"" << lx + 18 << "\" y=\"44\">" << item.name << "</text>\n";
    lx += 18 + 8.0 * std::string(item.name).size() + 12;
  }
  svg << "</svg>\n";
  return svg.str();
}

}  // namespace trezik::drive
