// What a day-long drive costs the simulator: the same 86,400 one-second
// fixes as a GPX track and as an NMEA log (written at build time by
// generate_day_drive), each read and then replayed through the plug-in (the
// run, with the accuracy figures), best of three. Prints
// the times against the aims: each under a second, and reading the GPX within
// three times reading the NMEA.
//
// Given trezik-drive and a week of the same driving (generate_day_drive
// FOLDER 7), it also runs trezik-drive whole on each week file, as a process
// of its own, and prints its wall time and its peak memory (the largest
// resident set, from wait4) against the aim of 100 MiB.
//   bench_day_drive DAY_DRIVE.gpx DAY_DRIVE.nmea [TREZIK_DRIVE WEEK.gpx WEEK.nmea]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
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
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct Timing {
  double read = 1e9, replay = 1e9;
  std::size_t fixes = 0;
  double meter = 0;
};

Timing Measure(const std::string& path, const fs::path& folder) {
  Timing timing;
  for (int run = 0; run < 3; ++run) {
    auto start = Clock::now();
    const trezik::drive::Drive drive = trezik::drive::ReadDrive(path);
    timing.read = std::min(timing.read, Since(start));
    timing.fixes = drive.fixes.size();

    const trezik::drive::Script script = trezik::drive::DefaultScript();
    trezik::drive::SimulationOptions options;
    options.folder = (folder / fs::path(path).extension().string().substr(1)).string();
    start = Clock::now();
    trezik::drive::Simulation simulation(drive, script, options);
    const trezik::drive::SimulationResult result = simulation.Run();
    const trezik::drive::Accuracy accuracy = trezik::drive::MeasureAccuracy(drive, result);
    timing.replay = std::min(timing.replay, Since(start));
    timing.meter = accuracy.odometer;
  }
  return timing;
}

struct WholeRun {
  double seconds = 0;
  double peak_mib = 0;
  bool ran = false;
};

// trezik-drive run whole on `drive` in a process of its own, its output
// thrown away: the wall time and the child's largest resident set.
WholeRun RunWhole(const std::string& trezik_drive, const std::string& drive, const fs::path& folder) {
  std::fflush(stdout);  // or the child's stdout would write it again
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child < 0) return {};
  if (child == 0) {
    const std::string out = (folder / "week").string();
    if (std::freopen("/dev/null", "w", stdout) == nullptr) ::_exit(127);
    ::execl(trezik_drive.c_str(), trezik_drive.c_str(), "--plain", "--every", "86400", "--out", out.c_str(),
            drive.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) != child) return {};
  WholeRun run;
  run.seconds = Since(start);
  run.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kibibytes on Linux
  run.ran = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 6) {
    std::fprintf(stderr, "usage: bench_day_drive DAY_DRIVE.gpx DAY_DRIVE.nmea [TREZIK_DRIVE WEEK.gpx WEEK.nmea]\n");
    return 2;
  }
  fs::path folder;
  Timing gpx, nmea;
  try {
    folder = trezik::tools::MakeTemporaryFolder("trezik-bench-day-");
    gpx = Measure(argv[1], folder);
    nmea = Measure(argv[2], folder);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_day_drive: %s\n", error.what());
    if (!folder.empty()) fs::remove_all(folder);
    return 1;
  }
  fs::remove_all(folder);
  auto verdict = [](bool met) { return met ? "met" : "not met"; };
  for (const auto& [name, t] : {std::pair{"GPX ", &gpx}, std::pair{"NMEA", &nmea}}) {
    std::printf("day drive, %s (%zu fixes): read %4.0f ms, replay %4.0f ms (best of 3; aim under 1000 ms each: %s); "
                "trip meter %.3f Km\n",
                name, t->fixes, t->read * 1000, t->replay * 1000, verdict(t->read < 1 && t->replay < 1), t->meter);
  }
  std::printf("reading the GPX / reading the NMEA: %.2f (aim: at most 3: %s)\n", gpx.read / nmea.read,
              verdict(gpx.read <= 3 * nmea.read));
  // The two files hold the same drive: a reader that lost fixes shows here.
  const bool same = gpx.fixes == nmea.fixes && std::abs(gpx.meter - nmea.meter) < 1e-3 * nmea.meter;
  if (!same) std::printf("-- BUT the two files did not give the same drive\n");
  bool whole = true;
  if (argc == 6) {
    const fs::path week_folder = trezik::tools::MakeTemporaryFolder("trezik-bench-week-");
    for (const auto& [name, path] : {std::pair{"GPX ", argv[4]}, std::pair{"NMEA", argv[5]}}) {
      const WholeRun run = RunWhole(argv[3], path, week_folder);
      whole = whole && run.ran;
      std::printf("7-day drive, %s, trezik-drive whole: %5.1f s, peak memory %5.1f MiB (aim under 100 MiB: %s)%s\n",
                  name, run.seconds, run.peak_mib, verdict(run.peak_mib < 100), run.ran ? "" : " -- the run FAILED");
    }
    fs::remove_all(week_folder);
  }
  return same && whole ? 0 : 1;
}
