// The drives trezik-live records: the fixes it hands the plug-in, one GPX
// track a day in the data folder's "tracks" folder (tracks/2026-12-08.gpx,
// named by the host's local date), which trezik-drive replays.
//
// A point is the host's time of the tick the plug-in was handed the fix
// (the same second its meters counted it at, written with the local
// offset), the position and the speed as gpsd reported it (m/s); a point
// where the plug-in logged a trip or a fill-up is named so ("trip",
// "fill-up"). Each point is appended and handed to the system at once, and
// the file synced now and then, so that a power cut at any moment leaves a
// track that ends in its last whole point, or in half of one that
// trezik-drive passes over. A clean end closes the track's elements; the
// next run of the day cuts what a cut left and starts a new segment.
//
// The folder is bounded: day files older than `keep_days`, then the oldest
// beyond `max_bytes` all together, are removed when a day's file is opened
// and as it grows. A failed write (a full disk) undoes its half point and
// stops the recording, told in problem(); it tries again a minute later.
// The meters never wait for it. Plug-in's thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "tools/live/fix_rules.h"
#include "tools/live/watched_platform.h"

namespace trezik::live {

struct TrackLimits {
  int keep_days = 90;
  std::uint64_t max_bytes = 500ull * 1000 * 1000;
};

// The data folder's track folder.
inline constexpr char kTracksFolderName[] = "tracks";

class TrackRecorder {
 public:
  // `folder` is the track folder (made when missing). `utc_offset_seconds`
  // is the host clock's offset from UTC.
  TrackRecorder(std::string folder, TrackLimits limits, int utc_offset_seconds);
  // Closes the day's track with its end tags.
  ~TrackRecorder();
  TrackRecorder(const TrackRecorder&) = delete;
  TrackRecorder& operator=(const TrackRecorder&) = delete;

  // One tick: `handed` is the fix the plug-in was handed (none: no fresh
  // fix), `now` the host's clock. A fix is written once, the first tick it
  // is handed; a record logged since the last tick marks the next point,
  // then written even for a fix handed before.
  void Tick(const LocalTime& now, const std::optional<GpsReport>& handed, const LogAppends& logged);

  // Why nothing is recorded now; empty while recording.
  const std::string& problem() const { return problem_; }
  // The day's track, once one was opened.
  const std::string& path() const { return path_; }

 private:
  void OpenDay(const LocalTime& now);
  void Close();
  bool Write(const std::string& bytes);
  void Prune(std::int64_t today);
  void Stop(const std::string& why);

  std::string folder_;
  TrackLimits limits_;
  int utc_offset_seconds_;
  int fd_ = -1;
  std::int64_t day_ = 0;          // days since 1970 of the open file
  std::string path_;
  std::uint64_t size_ = 0;        // of the open file, all whole points
  std::uint64_t others_bytes_ = 0;  // of the other day files kept
  std::string problem_;
  int retry_in_ = 0;              // ticks until a stopped recording tries again
  int unsynced_ = 0;              // points written since the last sync
  std::optional<std::chrono::steady_clock::time_point> last_arrived_;
  LogAppends marked_;          // the records already marked
  bool first_tick_ = true;
};

// The wall clock's offset from UTC now, which the host's clock keeps.
int LocalUtcOffsetSeconds();

// "2026-12-08T10:00:01+01:00": the host's local time, whole seconds.
std::string TrackTime(const LocalTime& time, int utc_offset_seconds);
// One point of a track, as written ("" mark: none).
std::string TrackPoint(double latitude, double longitude, const std::optional<double>& speed_mps,
                       const std::string& time, const std::string& mark);

}  // namespace trezik::live
