#include "tools/simulator/chart_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

#include "plugin/log_record.h"
#include "tools/chart/svg_chart.h"
#include "tools/simulator/chart_layout.h"
#include "tools/tracks/civil_time.h"
#include "tools/simulator/run_summary.h"

namespace trezik::drive {

double NiceStep(double span, int count) { return chart::NiceStep(span, count); }

std::vector<GpsGap> FindGpsGaps(const Drive& drive, const Timeline& timeline, const SimulationResult& result) {
  std::vector<GpsGap> gaps;
  std::set<int> dropped;
  for (const DroppedStep& step : result.dropped) dropped.insert(step.second);
  if (drive.fixes.size() < 2 || dropped.empty()) return gaps;
  const double start = drive.start_time();
  for (std::size_t i = 0; i + 1 < drive.fixes.size(); ++i) {
    const double from = drive.fixes[i].time - start, to = drive.fixes[i + 1].time - start;
    if (to - from < 3.0 || to > 1e9 || !timeline.HeldGap(i)) continue;
    // The tick that first reports the next fix measures the step across.
    if (dropped.count(static_cast<int>(std::ceil(to - 1e-9)))) gaps.push_back({from, to});
  }
  return gaps;
}

ChartText ChartTextFor(const Drive& drive, const Timeline& timeline, const SimulationOptions& options,
                       const SimulationResult& result) {
  ChartText text;
  text.title = "trezik-drive: " + std::filesystem::path(drive.path).filename().string();
  text.distance_unit = result.final_labels.distunit;
  text.speed_unit = result.final_labels.speedunits;
  text.volume_unit = options.metric_units ? "L" : "gal";
  text.consumption_unit = result.final_labels.consumpunits;
  if (!drive.fixes.empty()) text.clock_start = drive.start_time() + options.utc_offset_hours * 3600.0;
  text.clock = ClockOf(options);
  text.date_assumed = drive.date_assumed;
  text.gaps = FindGpsGaps(drive, timeline, result);
  return text;
}

namespace {

using chart::Escape;
using chart::Label;
using chart::Number;
using chart::Panel;

constexpr double kLeft = 70, kWidth = 900, kChartWidth = 1060;

const char kSpeedColour[] = "#3b6fb6", kTripColour[] = "#1f3f8f", kWorkColour[] = "#d2691e",
           kTotalColour[] = "#2e8b57", kWorkBandColour[] = "#fde9c8", kGapColour[] = "#c8c8c8",
           kDroppedColour[] = "#c0392b", kTripRecordColour[] = "#555555", kFillColour[] = "#8e44ad",
           kRefusedColour[] = "#e74c3c";

std::string Text(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// "08:05" (or "08:05:30" when the step is under a minute), with the date in
// front where a new day begins on a drive longer than a day.
std::string ClockLabel(double local_seconds, double step, bool with_date) {
  const CivilTime t = SplitEpochSeconds(local_seconds);
  const int s = static_cast<int>(std::lround(t.seconds_of_day)) % 86400;
  char text[48];
  if (step < 60) {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d", s / 3600, s / 60 % 60);
  }
  if (!with_date) return text;
  char dated[64];
  std::snprintf(dated, sizeof dated, "%02d-%02d %s", t.date.month, t.date.day, text);
  return dated;
}

std::string DateText(double local_seconds) {
  const CivilTime t = SplitEpochSeconds(local_seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.date.year, t.date.month, t.date.day);
  return text;
}

// What the chart writes of a refusal beside its line (the tooltip has it
// all): the fill-up key's own failure, or the first 60 characters.
std::string ShortError(const std::string& error) {
  const std::size_t ok = error.rfind("trezik_ok");
  if (ok != std::string::npos) return error.substr(ok);
  return error.size() > 60 ? error.substr(0, 57) + "..." : error;
}

class DriveChart {
 public:
  DriveChart(const SimulationResult& result, const ChartText& text) : r_(result), t_(text) {
    last_ = r_.ticks.empty() ? 1.0 : std::max(1, r_.ticks.back().second);
    for (const TickRecord& tick : r_.ticks) {
      worked_ = worked_ || tick.work_on || tick.work != 0.0;
      working_ = working_ || tick.work_on;
    }
    for (const FillUp& fill : r_.fill_ups) (fill.refused() ? refused_ : accepted_) = true;
    Scale();
  }

  // The picture scales to its container: a viewBox and no fixed size.
  std::string Draw() {
    TextAt(kLeft, 24, t_.title, "start", "font-size=\"16\" font-weight=\"bold\"");
    Bands();
    Axes();
    Lines();
    Marks();
    const double height = Labels() + 16;
    Legend();
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " << kChartWidth << " " << Number(height)
        << "\" preserveAspectRatio=\"xMidYMin meet\" style=\"width:100%;height:auto\" font-family=\"sans-serif\" "
           "font-size=\"12\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << svg_.str() << "</svg>\n";
    return svg.str();
  }

 private:
  double X(double second) const { return kLeft + second / last_ * kWidth; }
  double Top() const { return speed_.top; }
  double Bottom() const { return total_.top + total_.height; }

  void TextAt(double x, double y, const std::string& text, const char* anchor = "start", const std::string& extra = "",
              const std::string& css = "") {
    svg_ << "<text" << (css.empty() ? "" : " class=\"" + css + "\"") << " x=\"" << Number(x) << "\" y=\""
         << Number(y) << "\" text-anchor=\"" << anchor << "\"" << (extra.empty() ? "" : " " + extra) << ">"
         << Escape(text) << "</text>\n";
  }

  void Scale() {
    double top_speed = 0, top_meter = 0, total_min = 1e300, total_max = -1e300;
    for (const TickRecord& t : r_.ticks) {
      top_speed = std::max(top_speed, t.speed);
      top_meter = std::max({top_meter, t.trip, t.work});
      total_min = std::min(total_min, t.total);
      total_max = std::max(total_max, t.total);
    }
    if (r_.ticks.empty()) total_min = total_max = 0;
    speed_step_ = NiceStep(std::max(top_speed, 10.0), 4);
    meter_step_ = NiceStep(std::max(top_meter, 1.0), 5);
    const chart::Axis total = chart::NiceAxis(total_min, std::max(total_max, total_min + 1.0), 4, false);
    total_step_ = total.step;
    speed_ = {kLeft, 90, kWidth, 140, 0, 1, 0, std::ceil(std::max(top_speed, 10.0) / speed_step_) * speed_step_};
    meters_ = {kLeft, 270, kWidth, 170, 0, 1, 0, std::ceil(std::max(top_meter, 1.0) / meter_step_) * meter_step_};
    total_ = {kLeft, 480, kWidth, 110, 0, 1, total.min, total.max};
  }

  // Work recording and GPS gaps: shaded stretches across the three panels.
  void Bands() {
    const auto& ticks = r_.ticks;
    for (std::size_t i = 0; i < ticks.size();) {
      if (!ticks[i].work_on) {
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j + 1 < ticks.size() && ticks[j + 1].work_on) ++j;
      svg_ << "<rect class=\"work\" x=\"" << Number(X(ticks[i].second)) << "\" y=\"" << Top() << "\" width=\""
           << Number(std::max(1.0, X(ticks[j].second) - X(ticks[i].second))) << "\" height=\"" << Bottom() - Top()
           << "\" fill=\"" << kWorkBandColour << "\"/>\n";
      i = j + 1;
    }
    for (const GpsGap& gap : t_.gaps) {
      svg_ << "<rect class=\"gap\" x=\"" << Number(X(gap.from)) << "\" y=\"" << Top() << "\" width=\""
           << Number(std::max(2.0, X(gap.to) - X(gap.from))) << "\" height=\"" << Bottom() - Top() << "\" fill=\""
           << kGapColour << "\" fill-opacity=\"0.6\"><title>GPS gap of " << Text("%.0f", gap.to - gap.from)
           << " s: the host held the last fix and the meter dropped the step across</title></rect>\n";
    }
  }

  void YAxis(const Panel& p, double step, const std::string& caption) {
    for (double v = p.y_min; v <= p.y_max + step * 1e-6; v += step) {
      const double y = p.Y(v);
      svg_ << "<line x1=\"" << p.left << "\" y1=\"" << Number(y) << "\" x2=\"" << p.left + p.width << "\" y2=\""
           << Number(y) << "\" stroke=\"#e4e4e4\"/>\n";
      TextAt(p.left - 6, y + 4, Label(v, step), "end");
    }
    TextAt(p.left, p.top - 8, caption, "start", "font-weight=\"bold\"", "caption");
    svg_ << "<rect x=\"" << p.left << "\" y=\"" << p.top << "\" width=\"" << p.width << "\" height=\"" << p.height
         << "\" fill=\"none\" stroke=\"#888\"/>\n";
  }

  void Axes() {
    YAxis(speed_, speed_step_, "speed the host reported (" + t_.speed_unit + ")");
    YAxis(meters_, meter_step_, "trip meter and work meter (" + t_.distance_unit + ")");
    YAxis(total_, total_step_, "triptotal, since the last fill-up (" + t_.distance_unit + ")");
    const double base = Bottom();
    if (!t_.clock_start) {
      const double minute_step = NiceStep(last_ / 60.0, 10);
      for (double m = 0; m * 60.0 <= last_ + 1e-9; m += minute_step) {
        TextAt(X(m * 60.0), base + 18, Label(m, minute_step), "middle", "", "time");
      }
      TextAt(kLeft + kWidth / 2, base + 38, "minutes after the first fix", "middle");
      return;
    }
    // Clock time: ticks at whole steps of the local clock.
    const double start = *t_.clock_start, end = start + last_;
    double step = 86400;
    for (double s : {10.0, 30.0, 60.0, 120.0, 300.0, 600.0, 900.0, 1800.0, 3600.0, 7200.0, 10800.0, 21600.0, 43200.0}) {
      if (last_ / s <= 10) {
        step = s;
        break;
      }
    }
    const bool long_drive = last_ >= 86400 || DateText(start) != DateText(end);
    std::string day;
    for (double t = std::ceil(start / step) * step; t <= end + 1e-9; t += step) {
      const std::string date = DateText(t);
      svg_ << "<line x1=\"" << Number(X(t - start)) << "\" y1=\"" << base << "\" x2=\"" << Number(X(t - start))
           << "\" y2=\"" << base + 5 << "\" stroke=\"#888\"/>\n";
      TextAt(X(t - start), base + 18, ClockLabel(t, step, long_drive && date != day), "middle", "", "time");
      day = date;
    }
    const int seconds = static_cast<int>(last_);
    char duration[64];
    std::snprintf(duration, sizeof duration, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    TextAt(kLeft + kWidth / 2, base + 38,
           "the plug-in's clock (" + t_.clock + "), " + DateText(start) + (t_.date_assumed ? " (date assumed)" : "") + " " + ClockLabel(start, 1, false) + " to " +
               (long_drive ? DateText(end) + " " : "") + ClockLabel(end, 1, false) + ", " + duration,
           "middle", "", "time-caption");
  }

  // The ticks worth drawing: in each pixel column the first, the lowest,
  // the highest and the last, so that a week draws no more points than an
  // hour and a spike or a fall (a reset, a fill-up) keeps its height.
  template <typename Value>
  void Line(const Panel& p, const Value& value, const char* css, const char* colour) {
    const auto& ticks = r_.ticks;
    svg_ << "<polyline class=\"" << css << "\" fill=\"none\" stroke=\"" << colour
         << "\" stroke-width=\"1.6\" points=\"";
    const auto columns = static_cast<std::size_t>(kWidth);
    for (const std::size_t i : ThinnedIndices(ticks.size(), columns, [&](std::size_t k) { return value(ticks[k]); })) {
      svg_ << Number(X(ticks[i].second)) << "," << Number(p.Y(value(ticks[i]))) << " ";
    }
    svg_ << "\"/>\n";
  }

  void Lines() {
    Line(speed_, [](const TickRecord& t) { return t.speed; }, "speed", kSpeedColour);
    Line(meters_, [](const TickRecord& t) { return t.trip; }, "tripmeter", kTripColour);
    if (worked_) Line(meters_, [](const TickRecord& t) { return t.work; }, "workmeter", kWorkColour);
    Line(total_, [](const TickRecord& t) { return t.total; }, "triptotal", kTotalColour);
  }

  void VerticalLine(double second, const char* css, const char* colour, const char* dash, const std::string& title) {
    const double x = X(std::max(0, static_cast<int>(second)));
    svg_ << "<line class=\"" << css << "\" x1=\"" << Number(x) << "\" y1=\"" << Top() << "\" x2=\"" << Number(x)
         << "\" y2=\"" << Bottom() << "\" stroke=\"" << colour << "\" stroke-width=\"2\""
         << (dash[0] ? std::string(" stroke-dasharray=\"") + dash + "\"" : "") << "><title>" << Escape(title)
         << "</title></line>\n";
  }

  void Marks() {
    // Steps dropped by the 2-unit bound: triangles above the speed.
    for (const DroppedStep& step : r_.dropped) {
      const double px = X(step.second);
      svg_ << "<path class=\"dropped\" d=\"M" << Number(px - 5) << "," << Top() - 12 << " L" << Number(px + 5) << ","
           << Top() - 12 << " L" << Number(px) << "," << Top() - 3 << " Z\" fill=\"" << kDroppedColour << "\">"
           << "<title>step of " << Text("%.3f", step.length) << " " << Escape(t_.distance_unit)
           << " dropped by the 2-unit bound</title></path>\n";
    }
    // Trip records: the plug-in's "tripmeter.log" lines.
    for (const TripRecordMark& mark : r_.trip_records) {
      const std::vector<std::string> f = LogRecordFields(mark.record);
      std::string title = "trip record";
      if (f.size() >= kTripFieldCount) {
        title += " " + f[kTripTime] + ": trip " + f[kTripMeter] + " " + t_.distance_unit + ", total " +
                 f[kTripTotal] + " " + t_.distance_unit + ", work " + f[kTripWork] + " " + t_.distance_unit +
                 ", " + f[kTripPlace];
      }
      VerticalLine(mark.second, "logtrip", kTripRecordColour, "2 3", title);
      AddLabel(mark.second, {{"trip record", "logtrip-label"}}, kTripRecordColour);
    }
    // Fill-ups: from the plug-in's "fuel.log", or refused with their error.
    for (const FillUp& fill : r_.fill_ups) {
      const std::string amount = fill.quantity.empty()
                                     ? std::string()
                                     : " " + fill.quantity + " " + t_.volume_unit + " at " + fill.price + " per " +
                                           t_.volume_unit;
      if (fill.refused()) {
        const std::string title = "fill-up refused" + amount + ": " + fill.error;
        VerticalLine(fill.second, "fillup-refused", kRefusedColour, "5 3", title);
        AddLabel(fill.second, {{"fill-up refused" + amount, "fillup-refused"}, {ShortError(fill.error), ""}},
                 kRefusedColour);
        continue;
      }
      const std::vector<std::string> f = LogRecordFields(fill.record);
      std::string figures;
      if (f.size() >= kFuelFieldCount) {
        figures = f[kFuelConsumption] + " " + t_.consumption_unit + " over " + f[kFuelDistance] + " " +
                  t_.distance_unit + ", " + f[kFuelCostPerDistance] + " per " + t_.distance_unit;
      }
      VerticalLine(fill.second, "fillup", kFillColour, "", "fill-up" + amount + ": " + figures);
      AddLabel(fill.second, {{"fill-up" + amount, "fillup"}, {figures, ""}}, kFillColour);
    }
  }

  // A label of a mark, set below the time axis with the others.
  void AddLabel(int second, std::vector<std::pair<std::string, std::string>> lines, const char* colour) {
    ChartLabel label;
    label.x = X(std::max(0, second));
    for (const auto& line : lines) label.lines.push_back(line.first);
    labels_.push_back(label);
    label_lines_.push_back(std::move(lines));
    label_colours_.push_back(colour);
  }

  // The marks' labels in rows below the time axis, where no line runs, none
  // over another. Returns the bottom of the last row.
  double Labels() {
    const double top = Bottom() + 62;
    double bottom = Bottom() + 44;
    const std::vector<PlacedLabel> placed = PlaceLabels(labels_, 4, kChartWidth - 4);
    for (std::size_t i = 0; i < placed.size(); ++i) {
      const PlacedLabel& at = placed[i];
      svg_ << "<g class=\"mark-label\">";
      for (std::size_t k = 0; k < label_lines_[i].size(); ++k) {
        const double y = top + (at.row + static_cast<double>(k)) * 16;
        TextAt(at.ends_at_x ? at.right : at.left, y, label_lines_[i][k].first, at.ends_at_x ? "end" : "start",
               std::string("fill=\"") + label_colours_[i] + "\"", label_lines_[i][k].second);
        bottom = std::max(bottom, y + 4);
      }
      svg_ << "</g>\n";
    }
    return bottom;
  }

  // Only what the chart shows of this drive.
  void Legend() {
    std::vector<chart::LegendItem> items;
    if (!r_.ticks.empty()) items.push_back({"speed", kSpeedColour});
    items.push_back({"tripmeter", kTripColour});
    if (worked_) items.push_back({"workmeter", kWorkColour});
    items.push_back({"triptotal", kTotalColour});
    if (working_) items.push_back({"work recording", kWorkBandColour});
    if (!t_.gaps.empty()) items.push_back({"GPS gap", kGapColour});
    if (!r_.dropped.empty()) items.push_back({"GPS jump dropped", kDroppedColour});
    if (!r_.trip_records.empty()) items.push_back({"trip record", kTripRecordColour});
    if (accepted_) items.push_back({"fill-up", kFillColour});
    if (refused_) items.push_back({"fill-up refused", kRefusedColour});
    double x = kLeft, y = 48;
    for (const chart::LegendItem& item : items) {
      const double width = 18 + 7.0 * static_cast<double>(item.name.size()) + 14;
      if (x + width > kLeft + kWidth) {
        x = kLeft;
        y += 16;
      }
      svg_ << "<g class=\"legend\"><rect x=\"" << Number(x) << "\" y=\"" << Number(y - 8)
           << "\" width=\"14\" height=\"8\" fill=\"" << item.colour << "\"/>";
      svg_ << "<text x=\"" << Number(x + 18) << "\" y=\"" << Number(y) << "\">" << Escape(item.name)
           << "</text></g>\n";
      x += width;
    }
  }

  const SimulationResult& r_;
  const ChartText& t_;
  std::ostringstream svg_;
  std::vector<ChartLabel> labels_;
  std::vector<std::vector<std::pair<std::string, std::string>>> label_lines_;  // text and class of each line
  std::vector<const char*> label_colours_;
  double last_ = 1;
  bool worked_ = false, working_ = false, accepted_ = false, refused_ = false;
  double speed_step_ = 1, meter_step_ = 1, total_step_ = 1;
  Panel speed_, meters_, total_;
};

}  // namespace

std::string DrawChartSvg(const SimulationResult& result, const ChartText& text) {
  return DriveChart(result, text).Draw();
}

}  // namespace trezik::drive
