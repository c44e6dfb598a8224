#include "tools/live/fix_rules.h"

#include <cmath>

#include "core/convert.h"
#include "host/fix_text.h"

namespace trezik::live {

void LatestFix::Observe(const GpsReport& report) {
  if (report.mode == FixMode::kNone) {
    fix_.reset();
  } else if ((report.mode == FixMode::k2D || report.mode == FixMode::k3D) && std::fabs(report.latitude) <= 90.0 &&
             std::fabs(report.longitude) <= 180.0) {
    // (NaN fails both comparisons.)
    fix_ = report;
  }
}

FixRules::FixRules(double speedup, bool metric_units, char decimal_mark)
    : age_limit_(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
          std::chrono::duration<double, std::milli>(static_cast<double>(kHostAgeLimit.count()) / speedup))),
      metric_units_(metric_units),
      decimal_mark_(decimal_mark) {}

bool FixRules::Fresh(const std::optional<GpsReport>& fix, std::chrono::steady_clock::time_point now) const {
  return fix && now - fix->arrived <= age_limit_;
}

std::optional<host::Fix> FixRules::HostFix(const std::optional<GpsReport>& fix,
                                           std::chrono::steady_clock::time_point now) const {
  if (!Fresh(fix, now)) return std::nullopt;
  host::Fix text{host::CoordinateText(fix->latitude, decimal_mark_),
                 host::CoordinateText(fix->longitude, decimal_mark_), ""};
  if (fix->speed_mps && std::isfinite(*fix->speed_mps)) {
    text.speed = host::SpeedText(*fix->speed_mps, metric_units_, decimal_mark_);
  }
  return text;
}

std::optional<std::string> FixRules::PageSpeed(const std::optional<GpsReport>& fix,
                                               std::chrono::steady_clock::time_point now) const {
  if (!Fresh(fix, now) || !fix->speed_mps || !std::isfinite(*fix->speed_mps)) return std::nullopt;
  return DoubleToText(RoundHalfEven(host::SpeedInUserUnit(*fix->speed_mps, metric_units_), 0), decimal_mark_);
}

GpsStatus FixRules::Status(bool connected, const std::optional<GpsReport>& fix,
                           std::chrono::steady_clock::time_point now) const {
  if (!connected) return GpsStatus::kNoGps;
  return Fresh(fix, now) ? GpsStatus::kFix : GpsStatus::kNoFix;
}

}  // namespace trezik::live
