// What the standstill filter does to real drives: each recorded drive of
// TRACKS (../shared/tracks) replayed through the simulator twice, without
// trezik.ini options and with minspeed=3, and the trip meter compared; the
// aim is a change under 0.3 %. Also the WGS84 geodesic along the recorded
// fixes, for scale, and what the meter counted without the filter while the
// host reported under 1 km/h.
//   bench_tracks TRACKS-FOLDER
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/simulator/accuracy.h"
#include "tools/common/atomic_file.h"
#include "tools/tracks/drive.h"
#include "tools/tracks/read_drive.h"
#include "tools/simulator/simulation.h"
#include "tools/simulator/skin_script.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kTracks[] = {"20100403_Z205_Switzerland.txt", "20100411_Geko_Regensburg.txt",
                                   "Gpx-full-sample.gpx", "sbn-v13.gpx"};

trezik::drive::Accuracy Replay(const trezik::drive::Drive& drive, const fs::path& folder,
                               const std::vector<std::string>& settings) {
  const trezik::drive::Script script = trezik::drive::DefaultScript();
  trezik::drive::SimulationOptions options;
  options.folder = folder.string();
  options.plugin_settings = settings;
  trezik::drive::Simulation simulation(drive, script, options);
  return trezik::drive::MeasureAccuracy(drive, simulation.Run());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_tracks TRACKS-FOLDER\n");
    return 2;
  }
  const fs::path tracks = argv[1];
  fs::path folder;
  try {
    folder = trezik::tools::MakeTemporaryFolder("trezik-bench-tracks-");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_tracks: %s\n", error.what());
    return 1;
  }
  int failed = 0;
  std::printf("\nRecorded drives, trip meter without options and with minspeed=3 (aim: under 0.3 %% change)\n");
  for (const char* name : kTracks) {
    if (!fs::exists(tracks / name)) {
      std::printf("  %-30s not present\n", name);
      continue;
    }
    try {
      const trezik::drive::Drive drive = trezik::drive::ReadDrive((tracks / name).string());
      const trezik::drive::Accuracy plain = Replay(drive, folder / "plain", {});
      const trezik::drive::Accuracy filtered = Replay(drive, folder / "minspeed", {"minspeed=3"});
      const double change = (filtered.odometer / plain.odometer - 1.0) * 100.0;
      const bool met = std::fabs(change) < 0.3;
      std::printf("  %-30s %9.3f Km -> %9.3f Km at minspeed=3: %+.3f %% (%s); %zu of %zu ticks held; "
                  "without the filter %.3f Km counted at a reported speed under 1 km/h; geodesic along the fixes %.3f Km\n",
                  name, plain.odometer, filtered.odometer, change, met ? "met" : "NOT met", filtered.held_steps,
                  filtered.steps, plain.standing_creep, plain.geodesic_recorded);
    } catch (const std::exception& error) {
      std::printf("  %-30s failed: %s\n", name, error.what());
      ++failed;
    }
  }
  fs::remove_all(folder);
  return failed == 0 ? 0 : 1;
}
