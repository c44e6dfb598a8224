#include "tools/simulator/gpx_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>

#include "core/convert.h"
#include "tools/simulator/civil_time.h"
#include "tools/simulator/timeline.h"

namespace trezik::drive {

namespace {

// The element name without a namespace prefix.
std::string_view LocalName(const pugi::xml_node& node) {
  std::string_view name = node.name();
  const auto colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node Child(const pugi::xml_node& parent, std::string_view name) {
  for (pugi::xml_node child : parent.children()) {
    if (child.type() == pugi::node_element && LocalName(child) == name) return child;
  }
  return {};
}

std::string_view Trimmed(const char* text) {
  std::string_view view = text;
  while (!view.empty() && std::strchr(" \t\r\n", view.front())) view.remove_prefix(1);
  while (!view.empty() && std::strchr(" \t\r\n", view.back())) view.remove_suffix(1);
  return view;
}

// The first element named "speed" below <extensions>, depth first.
pugi::xml_node ExtensionSpeed(const pugi::xml_node& extensions) {
  for (pugi::xml_node child : extensions.children()) {
    if (child.type() != pugi::node_element) continue;
    if (LocalName(child) == "speed") return child;
    if (pugi::xml_node inner = ExtensionSpeed(child)) return inner;
  }
  return {};
}

// "2 min 26 s", "45 s", "1 h 02 min".
std::string Duration(double seconds) {
  const long whole = std::lround(seconds);
  char text[48];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%ld h %02ld min", whole / 3600, whole / 60 % 60);
  } else if (whole >= 60) {
    std::snprintf(text, sizeof text, "%ld min %ld s", whole / 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld s", whole);
  }
  return text;
}

std::string ClockTime(double epoch_seconds) {
  const CivilTime time = SplitEpochSeconds(epoch_seconds);
  const int seconds = static_cast<int>(time.seconds_of_day);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

std::string Kilometres(double metres) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f km", metres / 1000.0);
  return text;
}

// A track point that cannot be read, at its line.
struct PointFault {
  int line;
  std::string what;
};

class GpxReader {
 public:
  GpxReader(const std::string& path, const std::string& content, ReadOptions options)
      : path_(path), content_(content), tally_(path, options), keep_nofix_(options.keep_nofix) {}

  Drive Read() {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(content_.data(), content_.size(), pugi::parse_default);
    if (!parsed) {
      throw DriveError(path_, LineOf(parsed.offset), std::string("malformed XML: ") + parsed.description());
    }
    const pugi::xml_node gpx = document.document_element();
    if (LocalName(gpx) != "gpx") {
      throw DriveError(path_, LineOf(gpx.offset_debug()),
                       "the root element is <" + std::string(gpx.name()) + ">, not <gpx>");
    }
    Drive drive;
    drive.path = path_;
    const std::string version = gpx.attribute("version").value();
    drive.format = version.empty() ? "GPX" : "GPX " + version;
    std::size_t points = 0;
    for (pugi::xml_node trk : gpx.children()) {
      if (LocalName(trk) != "trk") continue;
      for (pugi::xml_node seg : trk.children()) {
        if (LocalName(seg) != "trkseg") continue;
        for (pugi::xml_node point : seg.children()) {
          if (LocalName(point) != "trkpt") continue;
          ++points;
          ReadTrackPoint(point, drive);
        }
      }
    }
    CloseStretch(drive, nullptr);
    if (drive.fixes.empty()) {
      std::string what = points == 0 ? "no track points (<trkpt>) in the file"
                         : no_fix_ == points
                             ? "no usable fix is left: all " + std::to_string(points) +
                                   " track points are marked <fix>none</fix>"
                             : "no usable fix is left among its " + std::to_string(points) +
                                   (points == 1 ? " track point" : " track points");
      if (tally_.total() > 0) what += " (skipped: " + tally_.Counts() + ")";
      throw DriveError(path_, 0, what);
    }
    if (no_fix_ > 0) NoteNoFix(drive);
    FinishDrive(drive, tally_, "track point");
    return drive;
  }

 private:
  // The line of a byte offset in the content, counting from 1. Points come
  // in file order, so the count goes on from the offset asked before.
  int LineOf(std::ptrdiff_t offset) {
    if (offset < 0) return 0;
    const std::size_t to = std::min<std::size_t>(static_cast<std::size_t>(offset), content_.size());
    if (to < counted_to_) {
      counted_to_ = 0;
      newlines_ = 0;
    }
    newlines_ += static_cast<int>(std::count(content_.begin() + static_cast<std::ptrdiff_t>(counted_to_),
                                             content_.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
    counted_to_ = to;
    return 1 + newlines_;
  }

  void ReadTrackPoint(const pugi::xml_node& point, Drive& drive) {
    const pugi::xml_node fix = Child(point, "fix");
    const bool no_fix = !keep_nofix_ && fix && Trimmed(fix.child_value()) == "none";
    try {
      const Fix read = ReadPoint(point);
      if (no_fix) {
        AddToStretch(read);
      } else {
        CloseStretch(drive, &read);
        drive.fixes.push_back(read);
      }
    } catch (const PointFault& fault) {
      // A point without a fix is left out whatever its fields hold.
      if (!no_fix) tally_.Skip(Damage::kBadField, fault.line, fault.what);
    }
    if (no_fix) ++no_fix_;
  }

  // A point marked <fix>none</fix> starts or lengthens the stretch of them.
  void AddToStretch(const Fix& point) {
    if (!stretch_) {
      stretch_ = NoFixStretch{point.line, 0, point.time, point.time, 0.0};
    } else {
      stretch_->metres += GeodesicMetres(stretch_end_.latitude, stretch_end_.longitude, point.latitude,
                                         point.longitude);
    }
    ++stretch_->points;
    stretch_->end_time = point.time;
    stretch_end_ = point;
  }

  // The stretch ends at the fix after it (none at the end of the track).
  void CloseStretch(Drive& drive, const Fix* next) {
    if (!stretch_) return;
    if (next != nullptr) {
      stretch_->metres += GeodesicMetres(stretch_end_.latitude, stretch_end_.longitude, next->latitude,
                                         next->longitude);
      stretch_->end_time = next->time;
    }
    drive.no_fix.push_back(*stretch_);
    stretch_.reset();
  }

  // "89 track point(s) marked <fix>none</fix> left out, in 10 stretches
  // covering 3 min 2 s and 1.62 km; the longest 12:31:38 to 12:34:04 UTC,
  // 62 points, 2 min 26 s, 1.24 km".
  void NoteNoFix(Drive& drive) const {
    std::string note = std::to_string(no_fix_) + " track point(s) marked <fix>none</fix> left out";
    if (!drive.no_fix.empty()) {
      double seconds = 0.0, metres = 0.0;
      const NoFixStretch* longest = &drive.no_fix.front();
      for (const NoFixStretch& stretch : drive.no_fix) {
        seconds += stretch.end_time - stretch.start_time;
        metres += stretch.metres;
        if (stretch.end_time - stretch.start_time > longest->end_time - longest->start_time) longest = &stretch;
      }
      note += ", in " + std::to_string(drive.no_fix.size()) + " stretch(es) covering " + Duration(seconds) +
              " and " + Kilometres(metres);
      if (drive.no_fix.size() > 1) {
        note += "; the longest from line " + std::to_string(longest->first_line) + ", " +
                ClockTime(longest->start_time) + " to " + ClockTime(longest->end_time) + " UTC, " +
                std::to_string(longest->points) + " points, " + Duration(longest->end_time - longest->start_time) +
                ", " + Kilometres(longest->metres);
      } else {
        note += ", from line " + std::to_string(longest->first_line) + ", " + ClockTime(longest->start_time) +
                " to " + ClockTime(longest->end_time) + " UTC";
      }
    }
    drive.notes.push_back(note);
  }

  PointFault Fault(const pugi::xml_node& node, const std::string& what) {
    return PointFault{LineOf(node.offset_debug()), what};
  }

  double Coordinate(const pugi::xml_node& point, const char* name, double limit) {
    const pugi::xml_attribute attribute = point.attribute(name);
    if (!attribute) throw Fault(point, std::string("<trkpt> without the attribute ") + name);
    const std::optional<double> value = ParseFileNumber(Trimmed(attribute.value()));
    if (!value) {
      throw Fault(point, std::string(name) + "=\"" + attribute.value() + "\" is not a number");
    }
    if (*value < -limit || *value > limit) {
      throw Fault(point, std::string(name) + "=\"" + attribute.value() + "\" lies outside -" +
                             std::to_string(static_cast<int>(limit)) + ".." +
                             std::to_string(static_cast<int>(limit)));
    }
    return *value;
  }

  Fix ReadPoint(const pugi::xml_node& point) {
    Fix fix;
    fix.line = LineOf(point.offset_debug());
    fix.latitude = Coordinate(point, "lat", 90.0);
    fix.longitude = Coordinate(point, "lon", 180.0);
    const pugi::xml_node time = Child(point, "time");
    if (!time) throw Fault(point, "<trkpt> without <time>; the simulator needs the time of each fix");
    const std::optional<double> seconds = ParseIsoTime(Trimmed(time.child_value()));
    if (!seconds) {
      throw Fault(time, "<time>" + std::string(time.child_value()) + "</time> is not an ISO 8601 time");
    }
    fix.time = *seconds;
    pugi::xml_node speed = Child(point, "speed");
    if (!speed) {
      if (pugi::xml_node extensions = Child(point, "extensions")) speed = ExtensionSpeed(extensions);
    }
    if (speed) {
      const std::optional<double> value = ParseFileNumber(Trimmed(speed.child_value()));
      if (!value || *value < 0) {
        throw Fault(speed, "speed \"" + std::string(speed.child_value()) +
                               "\" is not a speed in metres per second");
      }
      fix.speed_mps = *value;
    }
    return fix;
  }

  const std::string& path_;
  const std::string& content_;
  DamageTally tally_;
  std::size_t counted_to_ = 0;  // LineOf: newlines counted before this offset
  int newlines_ = 0;
  std::size_t no_fix_ = 0;  // points marked <fix>none</fix>
  bool keep_nofix_ = false;  // such points are kept as fixes
  std::optional<NoFixStretch> stretch_;  // the one going on
  Fix stretch_end_;                      // its last point
};

}  // namespace

Drive ReadGpx(const std::string& path, const std::string& content, ReadOptions options) {
  return GpxReader(path, content, options).Read();
}

}  // namespace trezik::drive
