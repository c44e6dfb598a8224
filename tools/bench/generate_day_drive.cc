// Writes synthetic days of driving for the reading and replay benchmark:
// 86,400 fixes a day, one a second from 00:00:00 UTC on 2026-03-02, of a car
// that goes round a ring road of 2 km radius near 48 N 11 E, speeding up and
// slowing down, standing still for a minute every ten. The same drive is
// written twice:
//   FOLDER/day_drive.gpx   GPX 1.1, the speed in a TrackPointExtension (m/s)
//   FOLDER/day_drive.nmea  NMEA 0183, one RMC and one GGA sentence a fix
// With DAYS (1 to 9) the files are FOLDER/DAYS_day_drive.gpx and .nmea.
// Built and run by the "bench" target; the files are not part of the project.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSecondsPerDay = 86400;

struct Point {
  double lat, lon, speed;  // degrees, m/s
};

// The car's position and speed at second `s`.
class Car {
 public:
  Point Next(int s) {
    const int minute = s / 60;
    const bool standing = minute % 10 == 9;
    const double cruise = 8.0 + 12.0 * (0.5 + 0.5 * std::sin(2 * kPi * s / 1800.0));  // 8..20 m/s
    const double target = standing ? 0.0 : cruise;
    speed_ += std::clamp(target - speed_, -3.0, 2.0);  // braking 3 m/s^2, speeding up 2
    angle_ += speed_ / kRadius;
    return {48.0 + kRadius * std::sin(angle_) / kMetresPerDegree,
            11.0 + kRadius * std::cos(angle_) / (kMetresPerDegree * std::cos(48.0 * kPi / 180.0)), speed_};
  }

 private:
  static constexpr double kRadius = 2000.0;  // metres
  static constexpr double kMetresPerDegree = 111200.0;
  double angle_ = 0.0, speed_ = 0.0;
};

std::string Checked(const std::string& body) {
  std::uint8_t sum = 0;
  for (char c : body) sum ^= static_cast<std::uint8_t>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

// ddmm.mmmmm / dddmm.mmmmm with the hemisphere.
std::string NmeaAngle(double degrees, bool latitude) {
  const char hemisphere = latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E');
  degrees = std::fabs(degrees);
  const int whole = static_cast<int>(degrees);
  char text[32];
  std::snprintf(text, sizeof text, latitude ? "%02d%08.5f,%c" : "%03d%08.5f,%c", whole, (degrees - whole) * 60.0,
                hemisphere);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int days = argc == 3 ? std::atoi(argv[2]) : 1;
  if ((argc != 2 && argc != 3) || days < 1 || days > 9) {
    std::cerr << "usage: generate_day_drive FOLDER [DAYS, 1 to 9]\n";
    return 2;
  }
  const std::string folder = argv[1];
  const std::string name = folder + (argc == 3 ? "/" + std::to_string(days) + "_day_drive" : "/day_drive");
  std::ofstream gpx(name + ".gpx", std::ios::binary);
  std::ofstream nmea(name + ".nmea", std::ios::binary);
  gpx << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<gpx version=\"1.1\" creator=\"generate_day_drive\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
         "xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n"
         "<trk><name>a day round the ring road</name><trkseg>\n";
  Car car;
  char line[512];
  for (int s = 0; s < days * kSecondsPerDay; ++s) {
    const Point p = car.Next(s);
    const int day = 2 + s / kSecondsPerDay;  // March 2026
    const int h = s / 3600 % 24, m = s / 60 % 60, sec = s % 60;
    char date[24], rmc_date[16];
    std::snprintf(date, sizeof date, "2026-03-%02d", day);
    std::snprintf(rmc_date, sizeof rmc_date, "%02d0326", day);
    std::snprintf(line, sizeof line,
                  "<trkpt lat=\"%.7f\" lon=\"%.7f\"><time>%sT%02d:%02d:%02dZ</time><extensions>"
                  "<gpxtpx:TrackPointExtension><gpxtpx:speed>%.2f</gpxtpx:speed></gpxtpx:TrackPointExtension>"
                  "</extensions></trkpt>\n",
                  p.lat, p.lon, date, h, m, sec, p.speed);
    gpx << line;
    char time[16];
    std::snprintf(time, sizeof time, "%02d%02d%02d.00", h, m, sec);
    const std::string lat = NmeaAngle(p.lat, true), lon = NmeaAngle(p.lon, false);
    std::snprintf(line, sizeof line, "GPRMC,%s,A,%s,%s,%.2f,0.0,%s,,,A", time, lat.c_str(), lon.c_str(),
                  p.speed * 3600.0 / 1852.0, rmc_date);
    nmea << Checked(line);
    std::snprintf(line, sizeof line, "GPGGA,%s,%s,%s,1,08,0.9,520.0,M,47.0,M,,", time, lat.c_str(), lon.c_str());
    nmea << Checked(line);
  }
  gpx << "</trkseg></trk>\n</gpx>\n";
  return gpx && nmea ? 0 : 1;
}
