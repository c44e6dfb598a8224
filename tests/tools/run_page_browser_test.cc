// The report page of a run, opened in headless Chromium: it opens with the
// run's summary, the headline, the verdict and what was assumed or filled in,
// with figures worked out here from the track itself. Without Chromium the
// test is skipped, except under CI=true, where that fails.
#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "drive_test_support.h"
#include "support/command_output.h"
#include "tools/simulator/trezik_drive.h"

namespace trezik::drive {
namespace {

// The text inside the element with `id`, its tags taken out.
std::string Element(const std::string& dom, const std::string& id) {
  std::smatch match;
  if (!std::regex_search(dom, match, std::regex("id=\"" + id + "\"[^>]*>([\\s\\S]*?)</(div|p|ul)>"))) return "";
  return std::regex_replace(match[1].str(), std::regex("<[^>]*>"), " ");
}

// A GPX 1.0 track as a phone logger writes one: a point every 3 minutes due
// north at 60 km/h (3 km a gap, by GeographicLib), 8 gaps, no speed, times in
// UTC. The log's own track is 24 km by construction; the meter counts it
// filled in, the sphere a little short: 23.9 to 24.0 km.
std::string SparseGpx() {
  const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
  std::ostringstream gpx;
  gpx.precision(10);
  gpx << "<?xml version=\"1.0\"?>\n<gpx version=\"1.0\" creator=\"test\"><trk><trkseg>\n";
  double lat = 48.0, lon = 11.0;
  for (int i = 0; i <= 8; ++i) {
    const int minutes = 3 * i;
    char time[32];
    std::snprintf(time, sizeof time, "2026-06-01T08:%02d:00Z", minutes);
    gpx << "<trkpt lat=\"" << lat << "\" lon=\"" << lon << "\"><time>" << time << "</time></trkpt>\n";
    wgs84.Direct(lat, lon, 0.0, 3000.0, lat, lon);
  }
  gpx << "</trkseg></trk></gpx>\n";
  return gpx.str();
}

TEST(RunPageBrowser, ThePageOpensWithTheRunsHeadlineVerdictAndWhatWasFilledIn) {
  const std::string chromium = std::filesystem::exists("/usr/bin/chromium") ? "/usr/bin/chromium" : "";
  if (chromium.empty()) {
    const char* ci = std::getenv("CI");
    if (ci && std::string(ci) == "true") FAIL() << "no Chromium under CI";
    GTEST_SKIP() << "no Chromium";
  }
  testing::ScratchFolder scratch;
  const std::string track = scratch.Path("sparse.gpx");
  std::ofstream(track) << SparseGpx();
  std::ostringstream out, err;
  ASSERT_EQ(RunTrezikDrive({track, "--plain", "-o", scratch.Path("run")}, out, err, "", Console{}), 0) << err.str();

  const std::string page = scratch.Path("run/report/report.html");
  const std::string flags = " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run ";
  const std::string dom = trezik::testing::CommandOutput("timeout 120 " + chromium + flags + "--dump-dom file://" + page + " 2>/dev/null");
  ASSERT_NE(dom.find("<section id=\"run-summary\">"), std::string::npos) << dom.substr(0, 2000);
  // It comes first, before the report's own sections.
  EXPECT_LT(dom.find("id=\"run-summary\""), dom.find("id=\"totals\""));

  const std::string headline = Element(dom, "run-headline");
  std::smatch trip;
  const std::regex trip_line("Trip: ([0-9.]+) Km in 24:00, moving 24:00; average");
  ASSERT_TRUE(std::regex_search(headline, trip, trip_line)) << headline;
  EXPECT_GE(std::stod(trip[1]), 23.9);
  EXPECT_LE(std::stod(trip[1]), 24.0);
  // 24 km in 24 minutes, reported at the speed the gaps imply: 60 km/h.
  EXPECT_NE(headline.find("average moving speed 60 Km/h, maximum 60 Km/h"), std::string::npos) << headline;

  const std::string verdict = Element(dom, "run-verdict");
  EXPECT_NE(verdict.find("The log's own track measures 24.00 Km"), std::string::npos) << verdict;
  EXPECT_NE(verdict.find("which is correct."), std::string::npos) << verdict;
  EXPECT_NE(dom.find("id=\"run-verdict\" class=\"correct\""), std::string::npos);

  const std::string notes = Element(dom, "run-notes");
  EXPECT_NE(notes.find("Interpolated: the host filled 8 gap(s) longer than 10 s"), std::string::npos) << notes;
  EXPECT_NE(notes.find("Clock: the plug-in's local time is the drive's UTC time"), std::string::npos) << notes;
}

}  // namespace
}  // namespace trezik::drive
