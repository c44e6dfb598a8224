// The tracks trezik-live records, read back by trezik-drive's reader: cut
// off at any byte, resumed after a cut, bounded, and stopped by a write that
// fails.
#include "tools/live/track_recorder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "tools/common/atomic_file.h"
#include "tools/tracks/gpx_reader.h"

namespace trezik::live {
namespace {

namespace fs = std::filesystem;

// 2026-12-08 10:00:00 at +01:00 is 09:00:00 UTC.
constexpr double kStartUtc = 1796720400.0;
constexpr int kOffset = 3600;

LocalTime At(int second, int day = 8) { return {2026, 12, day, 36000.0 + second + 0.437}; }

// The car 10 m further north every second; a new report every tick.
GpsReport Report(int second) {
  GpsReport report;
  report.mode = FixMode::k3D;
  report.latitude = 49.0 + second * 0.00009;
  report.longitude = 12.0;
  report.speed_mps = 10.0;
  report.arrived = std::chrono::steady_clock::time_point(std::chrono::seconds(second));
  return report;
}

std::string Content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void Store(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class TrackRecorderTest : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(folder_); }
  // The recorder's day file after `seconds` ticks with a new fix each, as
  // a power cut leaves it (the recorder not ended).
  std::string RecordedWithoutEnd(int seconds) {
    TrackRecorder recorder(folder_, {}, kOffset);
    for (int s = 0; s < seconds; ++s) recorder.Tick(At(s), Report(s), {});
    return Content(recorder.path());
  }
  const std::string folder_ = tools::MakeTemporaryFolder("trezik-tracks-");
  const std::string day_file_ = folder_ + "/2026-12-08.gpx";
};

TEST_F(TrackRecorderTest, ATrackCutAtAnyByteReadsUpToItsLastWholeFixWithOneNote) {
  const std::string whole = RecordedWithoutEnd(40);
  ASSERT_EQ(Count(whole, "</trkpt>"), 40u);
  std::mt19937 random(38);
  // From the end of the second point on: fewer than two fixes are no drive.
  std::size_t second_end = whole.find("</trkpt>", whole.find("</trkpt>") + 1) + 9;
  for (int cut = 0; cut < 60; ++cut) {
    const std::size_t at = std::uniform_int_distribution<std::size_t>(second_end, whole.size())(random);
    const std::string prefix = whole.substr(0, at);
    const std::size_t points = Count(prefix, "</trkpt>");
    for (const std::string& damaged : {prefix, prefix + std::string(4096, '\0')}) {
      const drive::Drive drive = drive::ReadGpx("cut.gpx", damaged);
      ASSERT_EQ(drive.fixes.size(), points) << "cut at byte " << at;
      EXPECT_DOUBLE_EQ(drive.fixes.back().time, kStartUtc + points - 1) << "cut at byte " << at;
      EXPECT_NEAR(drive.fixes.back().latitude, 49.0 + (points - 1) * 0.00009, 1e-9);
      ASSERT_EQ(drive.notes.size(), 1u) << "cut at byte " << at;
      EXPECT_NE(drive.notes[0].find("cut off at its end"), std::string::npos) << drive.notes[0];
      EXPECT_NE(drive.notes[0].find("09:00:" + std::string(points - 1 < 10 ? "0" : "") +
                                    std::to_string(points - 1) + " UTC"),
                std::string::npos)
          << drive.notes[0];
    }
  }
  // A fault before the end is still refused.
  std::string broken = whole;
  broken.replace(broken.find("<time>", 2000), 6, "<tim e>");
  EXPECT_THROW(drive::ReadGpx("broken.gpx", broken), drive::DriveError);
}

// The next run of the day goes on after the last whole point of a track a
// power cut left, in a new segment: the whole file reads strictly, with
// every point of both runs and the marks of what the plug-in logged.
TEST_F(TrackRecorderTest, ARunGoesOnAfterTheLastWholePointAndMarksLoggedRecords) {
  const std::string first = RecordedWithoutEnd(10);
  const std::size_t cut = first.find("</trkpt>", first.find("</trkpt>") + 1) + 30;  // inside the third
  Store(day_file_, first.substr(0, cut) + std::string(100, '\0'));
  {
    TrackRecorder recorder(folder_, {}, kOffset);
    LogAppends logged{3, 1};  // before the run: no marks
    recorder.Tick(At(20), Report(20), logged);
    recorder.Tick(At(21), Report(20), logged);  // the same fix: not again
    ++logged.trips;
    recorder.Tick(At(22), Report(20), logged);  // but a logged trip marks it
    ++logged.fill_ups;
    recorder.Tick(At(23), std::nullopt, logged);  // no fix: the mark waits
    recorder.Tick(At(24), Report(24), logged);
    EXPECT_EQ(recorder.problem(), "");
  }
  const std::string content = Content(day_file_);
  const drive::Drive drive = drive::ReadGpx(day_file_, content, {.strict = true});
  ASSERT_EQ(drive.fixes.size(), 5u);
  EXPECT_DOUBLE_EQ(drive.fixes[1].time, kStartUtc + 1);
  EXPECT_DOUBLE_EQ(drive.fixes[2].time, kStartUtc + 20);
  EXPECT_DOUBLE_EQ(drive.fixes[3].time, kStartUtc + 22);
  EXPECT_DOUBLE_EQ(drive.fixes[4].time, kStartUtc + 24);
  EXPECT_EQ(drive.fixes[4].speed_mps, 10.0);
  EXPECT_TRUE(drive.notes.empty());
  EXPECT_EQ(Count(content, "<trkseg>"), 2u);
  EXPECT_EQ(Count(content, "<name>trip</name>"), 1u);
  EXPECT_EQ(Count(content, "<name>fill-up</name>"), 1u);
  const std::size_t marked = content.find("T10:00:22+01:00");
  EXPECT_NE(content.substr(marked, content.find("</trkpt>", marked) - marked).find("<name>trip</name>"),
            std::string::npos);
}

TEST_F(TrackRecorderTest, OldDaysAndTheOldestBeyondTheSizeLimitAreRemoved) {
  // Today 2026-12-08; kept 10 days: 11-28 is the oldest day kept.
  for (const char* day : {"2026-11-27", "2026-11-28", "2026-12-01", "2026-12-07"}) {
    Store(folder_ + "/" + day + ".gpx", std::string(3000, 'x'));
  }
  Store(folder_ + "/notes.txt", "left alone");
  {
    TrackRecorder recorder(folder_, {10, 7000}, kOffset);
    recorder.Tick(At(0), Report(0), {});
  }
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder_)) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  // 11-27 is too old; of 3 x 3000 bytes beside today's, 11-28 goes too.
  EXPECT_EQ(left, (std::vector<std::string>{"2026-12-01.gpx", "2026-12-07.gpx", "2026-12-08.gpx", "notes.txt"}));
}

// A full disk (here a file size limit) stops the recording, told, and
// leaves the track whole; a minute later it goes on.
TEST_F(TrackRecorderTest, AFailedWriteStopsTheRecordingAndLeavesTheTrackWhole) {
  TrackRecorder recorder(folder_, {}, kOffset);
  recorder.Tick(At(0), Report(0), {});
  const auto size = fs::file_size(day_file_);
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit tight = old;
  tight.rlim_cur = size + 50;  // room for half a point
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
  recorder.Tick(At(1), Report(1), {});
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old), 0);
  EXPECT_NE(recorder.problem().find("The drive is not recorded"), std::string::npos) << recorder.problem();
  EXPECT_EQ(fs::file_size(day_file_), size);
  for (int s = 2; s < 60; ++s) recorder.Tick(At(s), Report(s), {});
  EXPECT_NE(recorder.problem(), "");
  for (int s = 60; s < 65; ++s) recorder.Tick(At(s), Report(s), {});
  EXPECT_EQ(recorder.problem(), "");
  const drive::Drive drive = drive::ReadGpx(day_file_, Content(day_file_));
  EXPECT_EQ(drive.fixes.size(), 5u);  // 0, and 61 to 64 after a minute
}

}  // namespace
}  // namespace trezik::live
