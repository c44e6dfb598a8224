// What trezik-live makes of gpsd's reports, apart from the thread that reads
// them: which report is a fix, how old a fix may be before the host stops
// reporting it, and the texts the host answers the plug-in with.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "host/host.h"
#include "tools/live/dashboard.h"

namespace trezik::live {

// gpsd's fix modes (gps.h's MODE_*): not seen yet, none, 2D, 3D.
enum class FixMode { kNotSeen = 0, kNone = 1, k2D = 2, k3D = 3 };

// One position report as it came from gpsd.
struct GpsReport {
  FixMode mode = FixMode::kNotSeen;
  double latitude = 0.0, longitude = 0.0;  // degrees, when mode is 2D or 3D
  std::optional<double> speed_mps;         // none when gpsd gave no speed
  std::chrono::steady_clock::time_point arrived;
};

// The latest position the receiver stands by. A 2D or 3D report with a
// latitude within +-90 and a longitude within +-180 becomes it; a report of
// no fix ends it (the receiver says it has lost the sky); a report without
// a mode yet, or with a position off the globe, changes nothing.
class LatestFix {
 public:
  void Observe(const GpsReport& report);
  const std::optional<GpsReport>& fix() const { return fix_; }
  void Forget() { fix_.reset(); }

 private:
  std::optional<GpsReport> fix_;
};

// The host's rules for turning the latest fix into its replies.
class FixRules {
 public:
  // A fix is reported for 3 seconds of host time after it arrived: 3000/N
  // ms of wall time when the host's clock runs N times faster.
  static constexpr std::chrono::milliseconds kHostAgeLimit{3000};

  FixRules(double speedup, bool metric_units, char decimal_mark);

  std::chrono::steady_clock::duration age_limit() const { return age_limit_; }
  // Whether `fix` is recent enough at `now` to be reported.
  bool Fresh(const std::optional<GpsReport>& fix, std::chrono::steady_clock::time_point now) const;
  // The fix as the host writes it (coordinates, speed in km/h or mph as
  // pw.ini says, an empty speed when gpsd gave none, which the plug-in
  // takes as no speed reported), or none when it is not fresh.
  std::optional<host::Fix> HostFix(const std::optional<GpsReport>& fix,
                                   std::chrono::steady_clock::time_point now) const;
  // The speed of the fix as the page shows it: a whole number in km/h or
  // mph as pw.ini says; none when the fix is not fresh or gave no speed.
  std::optional<std::string> PageSpeed(const std::optional<GpsReport>& fix,
                                       std::chrono::steady_clock::time_point now) const;
  // What the page says of the GPS.
  GpsStatus Status(bool connected, const std::optional<GpsReport>& fix,
                   std::chrono::steady_clock::time_point now) const;

 private:
  std::chrono::steady_clock::duration age_limit_;
  bool metric_units_;
  char decimal_mark_;
};

}  // namespace trezik::live
