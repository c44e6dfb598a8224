#include "tools/tracks/gpx_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <expat.h>

#include <deque>
#include <exception>
#include <memory>
#include <sstream>
#include <string_view>

#include "core/convert.h"
#include "tools/tracks/appended_capture.h"
#include "tools/tracks/civil_time.h"
#include "tools/tracks/drive_notes.h"
#include "tools/tracks/input_file.h"
#include "tools/tracks/geodesic.h"

namespace trezik::drive {

namespace {

// The element name without a namespace prefix.
std::string_view LocalName(std::string_view name) {
  const auto colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view Trimmed(const char* text) {
  std::string_view view = text;
  while (!view.empty() && std::strchr(" \t\r\n", view.front())) view.remove_prefix(1);
  while (!view.empty() && std::strchr(" \t\r\n", view.back())) view.remove_suffix(1);
  return view;
}

// A track point that cannot be read, at its line.
struct PointFault {
  int line;
  std::string what;
  Damage damage = Damage::kBadField;
};

// Reads the file as it streams by (expat): a long track takes memory for
// its fixes, not for its bytes or a tree of its elements. The callbacks
// never throw through the parser: a failure stops it and is thrown after.
class GpxReader {
 public:
  GpxReader(const std::string& path, std::istream& in, ReadOptions options, const char* encoding)
      : path_(path), in_(in), tally_(path, options), keep_nofix_(options.keep_nofix), strict_(options.strict),
        encoding_(encoding) {}

  Drive Read() {
    std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate(encoding_), XML_ParserFree);
    if (!parser) throw DriveError(path_, 0, "out of memory for the XML parser");
    parser_ = parser.get();
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &GpxReader::OnStart, &GpxReader::OnEnd);
    XML_SetCharacterDataHandler(parser_, &GpxReader::OnText);
    std::vector<char> block(1 << 16);
    std::uintmax_t total = 0, fed = 0;
    bool first = true;
    for (bool last = false; !last;) {
      in_.read(block.data(), static_cast<std::streamsize>(block.size()));
      const auto got = static_cast<std::size_t>(in_.gcount());
      if (in_.bad()) throw DriveError(path_, 0, "read error");
      total += got;
      if (total > kLargestInputBytes) throw DriveError(path_, 0, "holds more than 1 GiB, more than the simulator reads");
      last = got < block.size();
      std::size_t from = 0;
      if (first) from = SkipLeadingBlanks(block.data(), got);
      first = first && from == got && !last;
      const std::uintmax_t fed_before = fed;
      fed += got - from;
      if (XML_Parse(parser_, block.data() + from, static_cast<int>(got - from), last) == XML_STATUS_ERROR) {
        if (failure_) std::rethrow_exception(failure_);
        if (last && CutOffAtEnd(block.data() + from, got - from, fed_before)) {
          cut_off_line_ = Line();
          break;
        }
        throw DriveError(path_, Line(),
                         std::string("malformed XML: ") + XML_ErrorString(XML_GetErrorCode(parser_)));
      }
    }
    if (failure_) std::rethrow_exception(failure_);

    Drive drive;
    drive.path = path_;
    drive.format = format_;
    CloseStretch(nullptr);
    drive.no_fix = std::move(no_fix_stretches_);
    drive.fixes.reserve(fixes_.size());
    drive.fixes.assign(fixes_.begin(), fixes_.end());
    fixes_.clear();
    drive.utc_offset_hours = log_offset_hours_;
    if (drive.fixes.empty() && without_time_ > 0 && without_time_ + no_fix_ == points_) {
      throw DriveError(path_, 0,
                       "none of its " + std::to_string(without_time_) +
                           " track points has a time (<time>): the simulator replays a drive second by second and "
                           "needs the time of each fix; a track drawn on a map, or a route, has none");
    }
    RefuseOneTime(drive);
    if (drive.fixes.empty()) {
      std::string what = points_ == 0 ? "no track points (<trkpt>) in the file"
                         : no_fix_ == points_
                             ? "no usable fix is left: all " + std::to_string(points_) +
                                   " track points are marked <fix>none</fix>"
                             : "no usable fix is left among its " + std::to_string(points_) +
                                   (points_ == 1 ? " track point" : " track points");
      what += tally_.Refusal();
      throw DriveError(path_, 0, what);
    }
    if (no_fix_ > 0) NoteNoFix(drive);
    if (cut_off_line_ > 0) {
      drive.notes.push_back("the track is cut off at its end (line " + std::to_string(cut_off_line_) +
                            ", as a power cut while recording leaves it): read up to its last whole track point, " +
                            ClockTime(drive.fixes.back().time) + " UTC");
    }
    // Strictly, the first point going back is refused, as every fault.
    if (!strict_) {
      if (auto appended = CutAppendedCapture(drive.fixes, "track points")) drive.notes.push_back(*appended);
    }
    FinishDrive(drive, tally_, "track point");
    return drive;
  }

 private:
  // What a track point holds, gathered between its tags.
  struct Field {
    bool seen = false;
    int line = 0;
    std::string text;
  };
  enum class Capture { kNone, kTime, kSpeed, kExtensionSpeed, kFix };

  // A byte order mark, blanks and NUL bytes before the document, which XML
  // does not allow before its declaration; their line ends still count.
  std::size_t SkipLeadingBlanks(const char* data, std::size_t size) {
    std::size_t at = 0;
    if (size >= 3 && std::string_view(data, 3) == "\xEF\xBB\xBF") at = 3;
    while (at < size && (data[at] == '\0' || std::strchr(" \t\r\n", data[at]) != nullptr)) {
      if (data[at] == '\n') ++skipped_lines_;
      ++at;
    }
    return at;
  }

  // Whether the parser stopped because the file ends too early: inside a
  // tag or a character, before the root element closes, or at NUL bytes
  // that a file system leaves after a power cut in place of what was not
  // written yet. `data` is the last piece fed, `fed_before` the bytes fed
  // before it.
  bool CutOffAtEnd(const char* data, std::size_t size, std::uintmax_t fed_before) const {
    switch (XML_GetErrorCode(parser_)) {
      case XML_ERROR_NO_ELEMENTS:
      case XML_ERROR_UNCLOSED_TOKEN:
      case XML_ERROR_PARTIAL_CHAR:
      case XML_ERROR_UNCLOSED_CDATA_SECTION:
        return true;
      case XML_ERROR_INVALID_TOKEN: {
        const XML_Index at = XML_GetCurrentByteIndex(parser_);
        if (at < 0 || static_cast<std::uintmax_t>(at) < fed_before) return false;
        const std::size_t from = static_cast<std::size_t>(static_cast<std::uintmax_t>(at) - fed_before);
        return from < size && std::all_of(data + from, data + size, [](char c) { return c == '\0'; });
      }
      default:
        return false;
    }
  }

  int Line() const { return static_cast<int>(XML_GetCurrentLineNumber(parser_)) + skipped_lines_; }

  template <typename Body>
  void Guarded(const Body& body) {
    if (failure_) return;
    try {
      body();
    } catch (...) {
      failure_ = std::current_exception();
      XML_StopParser(parser_, XML_FALSE);
    }
  }

  static void OnStart(void* self, const XML_Char* name, const XML_Char** attributes) {
    auto* reader = static_cast<GpxReader*>(self);
    reader->Guarded([&] { reader->Start(name, attributes); });
  }
  static void OnEnd(void* self, const XML_Char*) {
    auto* reader = static_cast<GpxReader*>(self);
    reader->Guarded([&] { reader->End(); });
  }
  static void OnText(void* self, const XML_Char* text, int length) {
    auto* reader = static_cast<GpxReader*>(self);
    if (reader->capture_ != Capture::kNone) reader->captured_.append(text, static_cast<std::size_t>(length));
  }

  void Start(const char* name, const char** attributes) {
    const std::string_view local = LocalName(name);
    const std::size_t depth = stack_.size();
    if (depth == 0) {
      if (local != "gpx") {
        throw DriveError(path_, Line(), "the root element is <" + std::string(name) + ">, not <gpx>");
      }
      for (const char** a = attributes; *a != nullptr; a += 2) {
        if (std::string_view(a[0]) == "version") format_ = std::string("GPX ") + a[1];
      }
    }
    stack_.emplace_back(local);
    if (!in_point_) {
      if (local == "trkpt" && depth == 3 && stack_[1] == "trk" && stack_[2] == "trkseg") BeginPoint(attributes);
      return;
    }
    if (capture_ != Capture::kNone) return;
    if (depth == point_depth_ + 1) {
      if (local == "time" && !time_.seen) Begin(Capture::kTime, time_);
      if (local == "speed" && !speed_.seen) Begin(Capture::kSpeed, speed_);
      if (local == "fix" && !fix_.seen) Begin(Capture::kFix, fix_);
      if (local == "extensions" && extensions_depth_ == 0 && !extensions_done_) extensions_depth_ = depth;
    } else if (extensions_depth_ > 0 && depth > extensions_depth_ && local == "speed" && !extension_speed_.seen) {
      Begin(Capture::kExtensionSpeed, extension_speed_);
    }
  }

  void Begin(Capture capture, Field& field) {
    capture_ = capture;
    capture_depth_ = stack_.size() - 1;
    field.seen = true;
    field.line = Line();
    captured_.clear();
  }

  void End() {
    const std::size_t depth = stack_.size() - 1;
    stack_.pop_back();
    if (!in_point_) return;
    if (capture_ != Capture::kNone && depth == capture_depth_) {
      Field& field = capture_ == Capture::kTime    ? time_
                     : capture_ == Capture::kSpeed ? speed_
                     : capture_ == Capture::kFix   ? fix_
                                                   : extension_speed_;
      field.text = captured_;
      capture_ = Capture::kNone;
    }
    if (depth == extensions_depth_) {
      extensions_depth_ = 0;
      extensions_done_ = true;
    }
    if (depth == point_depth_) EndPoint();
  }

  void BeginPoint(const char** attributes) {
    in_point_ = true;
    point_depth_ = stack_.size() - 1;
    point_line_ = Line();
    lat_ = lon_ = Field{};
    for (const char** a = attributes; *a != nullptr; a += 2) {
      const std::string_view key = a[0];
      if (key == "lat") lat_ = Field{true, point_line_, a[1]};
      if (key == "lon") lon_ = Field{true, point_line_, a[1]};
    }
    time_ = speed_ = extension_speed_ = fix_ = Field{};
    extensions_depth_ = 0;
    extensions_done_ = false;
    ++points_;
  }

  void EndPoint() {
    in_point_ = false;
    const bool no_fix = !keep_nofix_ && fix_.seen && Trimmed(fix_.text.c_str()) == "none";
    try {
      const Fix read = ReadPoint();
      if (no_fix) {
        AddToStretch(read);
      } else {
        CloseStretch(&read);
        fixes_.push_back(read);
      }
    } catch (const PointFault& fault) {
      // A point without a fix is left out whatever its fields hold.
      if (!no_fix) {
        if (fault.damage == Damage::kNoTime) ++without_time_;
        tally_.Skip(fault.damage, fault.line, fault.what);
      }
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
  void CloseStretch(const Fix* next) {
    if (!stretch_) return;
    if (next != nullptr) {
      stretch_->metres += GeodesicMetres(stretch_end_.latitude, stretch_end_.longitude, next->latitude,
                                         next->longitude);
      stretch_->end_time = next->time;
    }
    no_fix_stretches_.push_back(*stretch_);
    stretch_.reset();
  }

  void NoteNoFix(Drive& drive) const { drive.notes.push_back(NoFixNote(no_fix_, drive.no_fix)); }

  // Points that all share one time give no drive to replay.
  void RefuseOneTime(const Drive& drive) const {
    if (drive.fixes.size() < 2) return;
    const double time = drive.fixes.front().time;
    for (const Fix& fix : drive.fixes) {
      if (fix.time != time) return;
    }
    const CivilTime civil = SplitEpochSeconds(time);
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", civil.date.year, civil.date.month, civil.date.day);
    throw DriveError(path_, 0,
                     "all " + std::to_string(drive.fixes.size()) + " track points with a time share one, " + date +
                         " " + ClockTime(time) +
                         " UTC: the simulator replays a drive second by second and needs the time of each fix");
  }

  double Coordinate(const Field& field, const char* name, double limit) const {
    if (!field.seen) throw PointFault{point_line_, std::string("<trkpt> without the attribute ") + name};
    const std::optional<double> value = ParseFileNumber(Trimmed(field.text.c_str()));
    if (!value) throw PointFault{point_line_, std::string(name) + "=\"" + field.text + "\" is not a number"};
    if (*value < -limit || *value > limit) {
      throw PointFault{point_line_, std::string(name) + "=\"" + field.text + "\" lies outside -" +
                                        std::to_string(static_cast<int>(limit)) + ".." +
                                        std::to_string(static_cast<int>(limit))};
    }
    return *value;
  }

  Fix ReadPoint() const {
    Fix fix;
    fix.line = point_line_;
    fix.latitude = Coordinate(lat_, "lat", 90.0);
    fix.longitude = Coordinate(lon_, "lon", 180.0);
    if (!time_.seen) {
      throw PointFault{point_line_, "<trkpt> without <time>; the simulator needs the time of each fix",
                       Damage::kNoTime};
    }
    std::optional<int> zone;
    const std::optional<double> seconds = ParseIsoTime(Trimmed(time_.text.c_str()), &zone);
    if (seconds && zone && !log_offset_hours_) log_offset_hours_ = *zone / 3600.0;
    if (!seconds) throw PointFault{time_.line, "<time>" + time_.text + "</time> is not an ISO 8601 time"};
    fix.time = *seconds;
    const Field& speed = speed_.seen ? speed_ : extension_speed_;
    if (speed.seen) {
      const std::optional<double> value = ParseFileNumber(Trimmed(speed.text.c_str()));
      if (!value || *value < 0) {
        throw PointFault{speed.line, "speed \"" + speed.text + "\" is not a speed in metres per second"};
      }
      fix.speed_mps = *value;
    }
    return fix;
  }

  const std::string& path_;
  std::istream& in_;
  DamageTally tally_;
  bool keep_nofix_ = false;  // points marked <fix>none</fix> are kept as fixes
  bool strict_ = false;      // every fault refuses the file
  const char* encoding_;     // overrides the file's own, when given
  XML_Parser parser_ = nullptr;
  std::exception_ptr failure_;  // thrown in a callback, thrown again once the parser stopped
  int skipped_lines_ = 0;       // line ends before the document
  int cut_off_line_ = 0;        // where the file ends too early, when it does
  std::string format_ = "GPX";
  std::vector<std::string> stack_;  // the local names of the open elements
  // The track point being read.
  bool in_point_ = false;
  std::size_t point_depth_ = 0;
  int point_line_ = 0;
  Field lat_, lon_, time_, speed_, extension_speed_, fix_;
  std::size_t extensions_depth_ = 0;  // of its first <extensions> while it is open
  bool extensions_done_ = false;
  Capture capture_ = Capture::kNone;
  std::size_t capture_depth_ = 0;
  std::string captured_;
  // What was read.
  std::deque<Fix> fixes_;
  std::size_t points_ = 0;
  std::size_t no_fix_ = 0;  // points marked <fix>none</fix>
  std::size_t without_time_ = 0;  // points without <time>
  mutable std::optional<double> log_offset_hours_;  // the first numeric zone of a point's time
  std::optional<NoFixStretch> stretch_;  // the one going on
  Fix stretch_end_;                      // its last point
  std::vector<NoFixStretch> no_fix_stretches_;
};

}  // namespace

Drive ReadGpx(const std::string& path, std::istream& in, ReadOptions options, const char* encoding) {
  return GpxReader(path, in, options, encoding).Read();
}

Drive ReadGpx(const std::string& path, const std::string& content, ReadOptions options) {
  std::istringstream in(content);
  return ReadGpx(path, in, options);
}

}  // namespace trezik::drive
