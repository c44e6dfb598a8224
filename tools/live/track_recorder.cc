#include "tools/live/track_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <system_error>

#include "core/convert.h"

namespace trezik::live {
namespace {

namespace fs = std::filesystem;

constexpr char kHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.0\" creator=\"trezik-live\" xmlns=\"http://www.topografix.com/GPX/1/0\">\n"
    "<trk>\n<trkseg>\n";
constexpr char kSegmentEnd[] = "</trkseg>\n";
constexpr char kSegmentStart[] = "<trkseg>\n";
constexpr char kPointEnd[] = "</trkpt>\n";
constexpr char kTail[] = "</trkseg>\n</trk>\n</gpx>\n";
// A point is some 130 bytes: the end of the last whole one lies in the
// last 64 KiB of a file that has one.
constexpr std::size_t kTailSearch = 64 * 1024;
// Points between syncs to the disk, and ticks a stopped recording waits.
constexpr int kSyncEvery = 30;
constexpr int kRetryEvery = 60;

std::int64_t DayNumber(int year, int month, int day) {
  using namespace std::chrono;
  return sys_days{year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                 std::chrono::day{static_cast<unsigned>(day)}}}
      .time_since_epoch()
      .count();
}

// The day of a file named "YYYY-MM-DD.gpx"; none for any other name.
std::optional<std::int64_t> DayOfName(const std::string& name) {
  int year = 0, month = 0, day = 0;
  char rest = 0;
  if (name.size() != 14 || std::sscanf(name.c_str(), "%4d-%2d-%2d.gp%c", &year, &month, &day, &rest) != 4 ||
      rest != 'x' || name[4] != '-' || name[7] != '-') {
    return std::nullopt;
  }
  using namespace std::chrono;
  const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                            std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok()) return std::nullopt;
  return DayNumber(year, month, day);
}

std::string DayName(std::int64_t day) {
  using namespace std::chrono;
  const year_month_day date{sys_days{days{day}}};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

std::string Coordinate(double degrees) { return DoubleToLogText(RoundHalfEven(degrees, 7)); }

// Where a track cut off (or closed) can go on: after its last whole point,
// with a new segment, or after its opening segment tag; none when the end
// of the file shows neither.
std::optional<std::uint64_t> ResumeAt(int fd, std::uint64_t size, bool& after_point) {
  const std::uint64_t from = size > kTailSearch ? size - kTailSearch : 0;
  std::string tail(size - from, '\0');
  if (::pread(fd, tail.data(), tail.size(), static_cast<off_t>(from)) != static_cast<ssize_t>(tail.size())) {
    return std::nullopt;
  }
  const std::size_t point = tail.rfind(kPointEnd);
  const std::size_t segment = tail.rfind(kSegmentStart);
  if (point == std::string::npos && segment == std::string::npos) return std::nullopt;
  after_point = point != std::string::npos && (segment == std::string::npos || point > segment);
  return from + (after_point ? point + std::strlen(kPointEnd) : segment + std::strlen(kSegmentStart));
}

}  // namespace

int LocalUtcOffsetSeconds() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<int>(local.tm_gmtoff);
}

std::string TrackTime(const LocalTime& time, int utc_offset_seconds) {
  const int seconds = static_cast<int>(std::floor(time.seconds_since_midnight));
  const int offset = std::abs(utc_offset_seconds) / 60;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", time.year, time.month, time.day,
                seconds / 3600, seconds / 60 % 60, seconds % 60, utc_offset_seconds < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return text;
}

std::string TrackPoint(double latitude, double longitude, const std::optional<double>& speed_mps,
                       const std::string& time, const std::string& mark) {
  std::string point = "<trkpt lat=\"" + Coordinate(latitude) + "\" lon=\"" + Coordinate(longitude) + "\"><time>" +
                      time + "</time>";
  if (speed_mps && *speed_mps >= 0) point += "<speed>" + DoubleToLogText(RoundHalfEven(*speed_mps, 3)) + "</speed>";
  if (!mark.empty()) point += "<name>" + mark + "</name>";
  return point + kPointEnd;
}

TrackRecorder::TrackRecorder(std::string folder, TrackLimits limits, int utc_offset_seconds)
    : folder_(std::move(folder)), limits_(limits), utc_offset_seconds_(utc_offset_seconds) {}

TrackRecorder::~TrackRecorder() { Close(); }

void TrackRecorder::Stop(const std::string& why) {
  problem_ = why;
  retry_in_ = kRetryEvery;
}

void TrackRecorder::Close() {
  if (fd_ < 0) return;
  Write(kTail);
  if (fd_ < 0) return;
  ::fdatasync(fd_);
  ::close(fd_);
  fd_ = -1;
}

bool TrackRecorder::Write(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      const std::string why = wrote < 0 ? std::strerror(errno) : "nothing written";
      // Half a point is taken back: the next one follows a whole one.
      if (::ftruncate(fd_, static_cast<off_t>(size_)) != 0) {
        ::close(fd_);
        fd_ = -1;
      }
      Stop("The drive is not recorded: " + path_ + " cannot be written (" + why +
           "). The meters go on; trezik-live tries again in a minute.");
      return false;
    }
    done += static_cast<std::size_t>(wrote);
  }
  size_ += bytes.size();
  return true;
}

void TrackRecorder::Prune(std::int64_t today) {
  std::error_code error;
  std::map<std::int64_t, std::pair<fs::path, std::uint64_t>> days;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
    const std::optional<std::int64_t> day = DayOfName(entry.path().filename().string());
    if (!day || *day == today || !entry.is_regular_file(error)) continue;
    if (*day <= today - limits_.keep_days) {
      fs::remove(entry.path(), error);
    } else {
      days[*day] = {entry.path(), entry.file_size(error)};
    }
  }
  others_bytes_ = 0;
  for (const auto& [day, file] : days) others_bytes_ += file.second;
  // Then the oldest, while the folder holds more than it may.
  for (auto it = days.begin(); it != days.end() && others_bytes_ + size_ > limits_.max_bytes; ++it) {
    if (fs::remove(it->second.first, error)) others_bytes_ -= it->second.second;
  }
}

void TrackRecorder::OpenDay(const LocalTime& now) {
  Close();
  retry_in_ = 0;
  day_ = DayNumber(now.year, now.month, now.day);
  path_ = folder_ + "/" + DayName(day_) + ".gpx";
  std::error_code error;
  fs::create_directories(folder_, error);
  fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd_ < 0) {
    Stop("The drive is not recorded: " + path_ + " cannot be opened (" + std::strerror(errno) +
         "). The meters go on; trezik-live tries again in a minute.");
    return;
  }
  const off_t end = ::lseek(fd_, 0, SEEK_END);
  size_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
  std::string start = kHead;
  if (size_ > 0) {
    // A track of an earlier run: on after its last whole point, in a new
    // segment; one that shows none starts again.
    bool after_point = false;
    const std::optional<std::uint64_t> resume = ResumeAt(fd_, size_, after_point);
    size_ = resume.value_or(0);
    if (::ftruncate(fd_, static_cast<off_t>(size_)) != 0) size_ = static_cast<std::uint64_t>(end);
    start = !resume ? kHead : after_point ? std::string(kSegmentEnd) + kSegmentStart : "";
  }
  Prune(day_);
  problem_.clear();
  if (!start.empty()) Write(start);
}

void TrackRecorder::Tick(const LocalTime& now, const std::optional<GpsReport>& handed, const LogAppends& logged) {
  if (first_tick_) {
    // Records logged before the run are no marks of it.
    marked_ = logged;
    first_tick_ = false;
  }
  const std::int64_t today = DayNumber(now.year, now.month, now.day);
  if (retry_in_ > 0) {
    // Stopped: waits, unless a new day begins.
    if (--retry_in_ > 0 && today == day_) return;
    retry_in_ = 0;
    problem_.clear();
  }
  if (fd_ < 0 || today != day_) {
    OpenDay(now);
    if (fd_ < 0 || !problem_.empty()) return;
  }
  if (!handed) return;
  std::string mark;
  if (logged.trips > marked_.trips) mark = "trip";
  if (logged.fill_ups > marked_.fill_ups) mark += mark.empty() ? "fill-up" : " and fill-up";
  if (mark.empty() && last_arrived_ == handed->arrived) return;
  if (size_ + others_bytes_ > limits_.max_bytes) {
    Prune(day_);
    if (size_ + others_bytes_ > limits_.max_bytes) {
      Stop("The drive is not recorded: the tracks folder holds its limit of " +
           std::to_string(limits_.max_bytes / 1000000) + " MB. The meters go on.");
      return;
    }
  }
  if (!Write(TrackPoint(handed->latitude, handed->longitude, handed->speed_mps, TrackTime(now, utc_offset_seconds_),
                        mark))) {
    return;
  }
  last_arrived_ = handed->arrived;
  marked_ = logged;
  if (++unsynced_ >= kSyncEvery) {
    ::fdatasync(fd_);
    unsynced_ = 0;
  }
}

}  // namespace trezik::live
