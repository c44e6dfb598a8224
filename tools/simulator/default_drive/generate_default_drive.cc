// Writes the bundled default drive: a synthetic half-hour trip through a
// small town, out along a country road and back into town to a filling
// station, recorded at one fix a second. It has stops at lights and junctions,
// a tunnel where the receiver loses the sky for eight seconds, one fix thrown
// 4 km off (more than 2 km and 2 miles, so the trip meter must drop the steps
// to and from it), and a skin script that turns work recording on for part
// of the road and fills up at the end.
//
// Usage: generate_default_drive OUTPUT_FOLDER
// writes OUTPUT_FOLDER/default_drive.gpx and OUTPUT_FOLDER/default_drive.script,
// and the same drive as a receiver's NMEA output, OUTPUT_FOLDER/default_drive.nmea
// (RMC and GGA each second; in the tunnel the receiver says it has no fix),
// which trezik-live's demo replays through gpsd.
// The output depends only on this file: the noise comes from a fixed seed.
#include <GeographicLib/Geodesic.hpp>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/common/atomic_file.h"

namespace {

// splitmix64: a small generator whose sequence is the same on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  double Uniform() {  // [0, 1)
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
  }
  double Normal() {  // Box-Muller, standard normal
    const double u = 1.0 - Uniform();
    const double v = Uniform();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * M_PI * v);
  }

 private:
  std::uint64_t state_;
};

struct Leg {
  std::string road;       // the place name the host reports along this leg
  double turn_deg;        // heading change at the start of the leg
  double curve_deg;       // heading change spread over the leg
  double length_m;
  double speed_kmh;       // cruising speed
  double stop_s;          // standstill at the end of the leg (0: rolls on)
};

// The route: town, road, town. Lengths in metres, speeds in km/h.
const std::vector<Leg> kRoute = {
    {"Lindenweg", 0, 0, 350, 30, 12},
    {"Bahnhofstrasse", 90, 0, 650, 50, 35},
    {"Bahnhofstrasse", 0, 8, 750, 50, 20},
    {"Marktplatz", -90, 0, 420, 30, 0},
    {"Schulstrasse", 30, 0, 500, 30, 45},
    {"Hauptstrasse", -40, 0, 900, 50, 28},
    {"Hauptstrasse", 0, -12, 1100, 50, 0},
    {"Ortsausfahrt", 10, 0, 800, 70, 0},
    {"Kreisstrasse K 12", 0, 25, 3200, 90, 0},
    {"Kreisstrasse K 12", 0, -30, 4800, 100, 0},
    {"Kreisstrasse K 12", 0, 15, 3500, 100, 0},
    {"Kreisstrasse K 12", 0, -20, 2600, 80, 40},
    {"Am Wehr", 95, 0, 1500, 70, 0},
    {"Hauptstrasse", 0, 10, 1400, 50, 30},
    {"Ringstrasse", -90, 0, 900, 50, 22},
    {"Gewerbering", 90, 0, 650, 40, 0},
    {"Tankstelle Gewerbering", 45, 0, 60, 15, 150},
};

constexpr double kStartLatitude = 48.1372;
constexpr double kStartLongitude = 11.0218;
constexpr double kStartHeading = 20.0;
// 2026-03-02 07:45:00 UTC
constexpr const char* kDate = "2026-03-02";
constexpr int kStartSecondOfDay = 7 * 3600 + 45 * 60;
constexpr double kParkedBeforeS = 20.0;
constexpr double kJumpMetres = 4000.0;
// The state the car starts in, and the fill-up at the end.
constexpr const char* kDistanceSinceFillUpKm = "583.6";
constexpr const char* kFillUpLitres = "41.37";
constexpr const char* kFillUpPrice = "1.859";

struct Sample {
  int second;
  double latitude, longitude, speed_mps;
  bool recorded;  // false inside the tunnel
  std::size_t leg;
};

std::string TimeText(int second) {
  int s = kStartSecondOfDay + second;
  char text[40];
  std::snprintf(text, sizeof text, "%sT%02d:%02d:%02dZ", kDate, s / 3600, s / 60 % 60, s % 60);
  return text;
}

// "ddmm.mmmmm,N" or "dddmm.mmmmm,E": NMEA's degrees and minutes, five
// decimals of a minute (about 2 cm).
std::string NmeaAngle(double degrees, int degree_digits, char positive, char negative) {
  const char hemisphere = degrees < 0 ? negative : positive;
  const long long hundred_thousandths = std::llround(std::fabs(degrees) * 60.0 * 100000.0);
  const long long whole_degrees = hundred_thousandths / 6000000;
  const long long minutes = hundred_thousandths % 6000000;
  char text[40];
  std::snprintf(text, sizeof text, "%0*lld%02lld.%05lld,%c", degree_digits, whole_degrees, minutes / 100000,
                minutes % 100000, hemisphere);
  return text;
}

// "$" + body + "*hh" with the XOR of the body's bytes.
std::string NmeaSentence(const std::string& body) {
  unsigned checksum = 0;
  for (unsigned char c : body) checksum ^= c;
  char tail[16];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", checksum);
  return "$" + body + tail;
}

// The receiver's two sentences for one second; `fix` false in the tunnel.
std::string NmeaSeconds(int second, double latitude, double longitude, double speed_mps, bool fix) {
  int s = kStartSecondOfDay + second;
  char time[32];
  std::snprintf(time, sizeof time, "%02d%02d%02d.00", s / 3600, s / 60 % 60, s % 60);
  const std::string date = std::string(kDate + 8, 2) + std::string(kDate + 5, 2) + std::string(kDate + 2, 2);
  if (!fix) {
    return NmeaSentence(std::string("GPRMC,") + time + ",V,,,,,,," + date + ",,,N") +
           NmeaSentence(std::string("GPGGA,") + time + ",,,,,0,00,99.9,,M,,M,,");
  }
  const std::string position = NmeaAngle(latitude, 2, 'N', 'S') + "," + NmeaAngle(longitude, 3, 'E', 'W');
  char knots[24];
  std::snprintf(knots, sizeof knots, "%.2f", speed_mps * 3600.0 / 1852.0);
  return NmeaSentence(std::string("GPRMC,") + time + ",A," + position + "," + knots + ",," + date + ",,,A") +
         NmeaSentence(std::string("GPGGA,") + time + "," + position + ",1,08,0.9,520.0,M,47.0,M,,");
}

std::string Clock(int second) {
  char text[16];
  std::snprintf(text, sizeof text, "%d:%02d", second / 60, second % 60);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " OUTPUT_FOLDER\n";
    return 2;
  }
  const std::string folder = argv[1];
  const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
  Random random(20261207);

  // Drive the route with a simple kinematic model at 0.1 s steps: accelerate
  // gently towards the cruising speed and brake in time for a stop or a
  // slower next leg.
  const double dt = 0.1;
  double lat = kStartLatitude, lon = kStartLongitude, heading = kStartHeading;
  double v = 0.0, t = 0.0;
  std::vector<Sample> samples;
  std::vector<int> leg_start(kRoute.size());
  double next_sample = 0.0;
  auto sample = [&](std::size_t leg) {
    while (t + 1e-9 >= next_sample) {
      samples.push_back({static_cast<int>(std::lround(next_sample)), lat, lon, v, true, leg});
      next_sample += 1.0;
    }
  };
  for (std::size_t i = 0; i < kRoute.size(); ++i) {
    // Parked before setting off.
    if (i == 0) {
      for (; t < kParkedBeforeS; t += dt) sample(0);
    }
    const Leg& leg = kRoute[i];
    leg_start[i] = static_cast<int>(std::ceil(t));
    heading += leg.turn_deg;
    const double cruise = leg.speed_kmh / 3.6;
    const double end_speed =
        leg.stop_s > 0 || i + 1 == kRoute.size() ? 0.0 : std::min(cruise, kRoute[i + 1].speed_kmh / 3.6);
    const double accel = cruise > 20 ? 0.9 : 1.4;
    const double brake = 1.8;
    double travelled = 0.0;
    while (travelled < leg.length_m - 1e-6) {
      const double remaining = leg.length_m - travelled;
      const double limit = std::sqrt(end_speed * end_speed + 2.0 * brake * remaining);
      const double wanted = std::min(cruise, limit);
      if (v < wanted) v = std::min(wanted, v + accel * dt);
      else v = std::max(wanted, v - brake * dt);
      if (v < 0.3 && remaining > 0.05) v = std::max(v, 0.3);  // creep the last centimetres
      const double step = std::min(v * dt, remaining);
      const double h = heading + leg.curve_deg * (travelled + step / 2) / leg.length_m;
      double lat2 = 0, lon2 = 0;
      wgs84.Direct(lat, lon, h, step, lat2, lon2);
      lat = lat2;
      lon = lon2;
      travelled += step;
      t += dt;
      sample(i);
    }
    heading += leg.curve_deg;
    if (leg.stop_s > 0) {
      v = 0.0;
      const double until = t + leg.stop_s;
      for (; t < until; t += dt) sample(i);
    }
  }

  // What the receiver records: a small wandering error while moving, the
  // position held still while standing (static navigation), the Doppler
  // speed with a little noise.
  double north_error = 0.0, east_error = 0.0;
  for (Sample& s : samples) {
    if (s.speed_mps > 0.05) {
      north_error = 0.85 * north_error + 0.6 * random.Normal();
      east_error = 0.85 * east_error + 0.6 * random.Normal();
      double lat2 = 0, lon2 = 0;
      wgs84.Direct(s.latitude, s.longitude, std::atan2(east_error, north_error) * 180.0 / M_PI,
                   std::hypot(north_error, east_error), lat2, lon2);
      s.latitude = lat2;
      s.longitude = lon2;
      s.speed_mps = std::max(0.0, s.speed_mps + 0.08 * random.Normal());
    } else {
      s.speed_mps = 0.0;
    }
  }
  for (std::size_t i = 1; i < samples.size(); ++i) {
    if (samples[i].speed_mps == 0.0 && samples[i - 1].speed_mps == 0.0) {
      samples[i].latitude = samples[i - 1].latitude;
      samples[i].longitude = samples[i - 1].longitude;
    }
  }

  // The tunnel: eight seconds without fixes a third into the 4.8 km leg.
  const int tunnel = leg_start[9] + 60;
  for (Sample& s : samples) {
    if (s.second > tunnel && s.second < tunnel + 9) s.recorded = false;
  }
  // The jump: one fix thrown 4 km to the north-east on the last road leg.
  const int jump = leg_start[10] + 45;
  {
    Sample& s = samples[jump];
    double lat2 = 0, lon2 = 0;
    wgs84.Direct(s.latitude, s.longitude, 45.0, kJumpMetres, lat2, lon2);
    s.latitude = lat2;
    s.longitude = lon2;
  }

  std::ostringstream gpx;
  gpx << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!-- The default drive of trezik-drive, written by "
         "tools/simulator/default_drive/generate_default_drive.cc.\n"
         "     Synthetic: no real road is traced. Fixes once a second; an eight-second gap at "
      << TimeText(tunnel + 1).substr(11, 8) << " (a tunnel);\n"
      << "     a fix thrown 4 km off at " << TimeText(jump).substr(11, 8)
      << ". Speeds in metres per second. -->\n"
         "<gpx version=\"1.1\" creator=\"trezik generate_default_drive\"\n"
         "     xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
         "     xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n"
         "  <metadata><name>trezik default drive</name><time>"
      << TimeText(0) << "</time></metadata>\n"
      << "  <trk>\n    <name>Town, country road, town, filling station</name>\n    <trkseg>\n";
  char line[256];
  for (const Sample& s : samples) {
    if (!s.recorded) continue;
    std::snprintf(line, sizeof line,
                  "      <trkpt lat=\"%.7f\" lon=\"%.7f\"><time>%s</time><extensions>"
                  "<gpxtpx:TrackPointExtension><gpxtpx:speed>%.2f</gpxtpx:speed>"
                  "</gpxtpx:TrackPointExtension></extensions></trkpt>\n",
                  s.latitude, s.longitude, TimeText(s.second).c_str(), s.speed_mps);
    gpx << line;
  }
  gpx << "    </trkseg>\n  </trk>\n</gpx>\n";

  std::string nmea;
  for (const Sample& s : samples) nmea += NmeaSeconds(s.second, s.latitude, s.longitude, s.speed_mps, s.recorded);

  // The script, in drive order; road names come from the legs.
  std::vector<std::pair<int, std::string>> steps;  // (second, action); -1 = start
  steps.emplace_back(-1, "road " + kRoute[0].road);
  for (std::size_t i = 1; i < kRoute.size(); ++i) {
    if (kRoute[i].road != kRoute[i - 1].road) steps.emplace_back(leg_start[i], "road " + kRoute[i].road);
  }
  steps.emplace_back(leg_start[7], "logwork       # work recording on at the town exit");
  steps.emplace_back(leg_start[11], "logwork       # and off again");
  steps.emplace_back(leg_start[12], "logtrip       # a trip record on the way back");
  std::stable_sort(steps.begin(), steps.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::ostringstream script;
  script << "# The skin script of the default drive (written by generate_default_drive.cc).\n"
            "# Times are drive seconds after the first fix; a step runs after that second's tick.\n"
            "# Before the drive the car has done "
         << kDistanceSinceFillUpKm << " km since its last fill-up.\n"
         << "before   state " << kDistanceSinceFillUpKm << " 0\n";
  for (const auto& [second, action] : steps) {
    const std::string when = second < 0 ? "start" : Clock(second);
    script << when << std::string(9 - when.size(), ' ') << action << "\n";
  }
  script << "end      logtrip\n"
            "end      fillup "
         << kFillUpLitres << " " << kFillUpPrice
         << "   # keypad: quantity, price, trezik_ok\n"
            "end      updateini\n";

  for (const auto& [name, content] : {std::pair{std::string("default_drive.gpx"), gpx.str()},
                                      std::pair{std::string("default_drive.script"), script.str()},
                                      std::pair{std::string("default_drive.nmea"), nmea}}) {
    try {
      trezik::tools::ReplaceFileDurably(folder + "/" + name, content);
    } catch (const std::exception& error) {
      std::cerr << error.what() << "\n";
      return 1;
    }
  }
  std::cout << "default drive: " << samples.size() << " s, "
            << std::count_if(samples.begin(), samples.end(), [](const Sample& s) { return s.recorded; })
            << " fixes, tunnel after " << Clock(tunnel) << ", jump at " << Clock(jump) << "\n";
  return 0;
}
