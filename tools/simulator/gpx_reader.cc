#include "tools/simulator/gpx_reader.h"

#include <algorithm>
#include <cstring>
#include <pugixml.hpp>

#include "core/convert.h"
#include "tools/simulator/civil_time.h"

namespace trezik::drive {

namespace {

// The line of a byte offset in the content, counting from 1.
int LineOf(const std::string& content, std::ptrdiff_t offset) {
  if (offset < 0) return 0;
  const auto end = content.begin() + std::min<std::ptrdiff_t>(offset, content.size());
  return 1 + static_cast<int>(std::count(content.begin(), end, '\n'));
}

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

class GpxReader {
 public:
  GpxReader(const std::string& path, const std::string& content) : path_(path), content_(content) {}

  Drive Read() {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(content_.data(), content_.size(), pugi::parse_default);
    if (!parsed) {
      throw DriveError(path_, LineOf(content_, parsed.offset),
                       std::string("malformed XML: ") + parsed.description());
    }
    const pugi::xml_node gpx = document.document_element();
    if (LocalName(gpx) != "gpx") {
      throw Fault(gpx, "the root element is <" + std::string(gpx.name()) + ">, not <gpx>");
    }
    Drive drive;
    drive.path = path_;
    const std::string version = gpx.attribute("version").value();
    drive.format = version.empty() ? "GPX" : "GPX " + version;
    std::size_t no_fix = 0;
    for (pugi::xml_node trk : gpx.children()) {
      if (LocalName(trk) != "trk") continue;
      for (pugi::xml_node seg : trk.children()) {
        if (LocalName(seg) != "trkseg") continue;
        for (pugi::xml_node point : seg.children()) {
          if (LocalName(point) != "trkpt") continue;
          if (pugi::xml_node fix = Child(point, "fix"); fix && Trimmed(fix.child_value()) == "none") {
            ++no_fix;
            continue;
          }
          drive.fixes.push_back(ReadPoint(point));
        }
      }
    }
    if (drive.fixes.empty()) throw DriveError(path_, 0, "no track points (<trkpt>) with a fix");
    if (no_fix > 0) {
      drive.notes.push_back(std::to_string(no_fix) + " track point(s) marked <fix>none</fix> left out");
    }
    CheckTimeOrder(drive);
    return drive;
  }

 private:
  DriveError Fault(const pugi::xml_node& node, const std::string& what) const {
    return DriveError(path_, LineOf(content_, node.offset_debug()), what);
  }

  double Coordinate(const pugi::xml_node& point, const char* name, double limit) const {
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

  Fix ReadPoint(const pugi::xml_node& point) const {
    Fix fix;
    fix.line = LineOf(content_, point.offset_debug());
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
};

}  // namespace

Drive ReadGpx(const std::string& path, const std::string& content) {
  return GpxReader(path, content).Read();
}

}  // namespace trezik::drive
