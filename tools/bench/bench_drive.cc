// What one simulated second costs: a tick through the whole host contract
// (request text, find window, send, three nested replies parsed, text to
// number, distance, meters written back as text) against the bare distance
// formula over the same fixes; the same with distance=wgs84, the WGS84 step
// against the spherical one; one ReturnLabel call; and the heap in use
// before and after a 24-hour drive of 86,400 ticks, which must not grow.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "contract/names.h"
#include "contract/settings.h"
#include "contract/vocabulary.h"
#include "core/convert.h"
#include "host/hosted_plugin.h"
#include "platform/emulation.h"
#include "state/form1.h"
#include "tools/common/atomic_file.h"
#include "trip/distance.h"
#include "trip/wgs84.h"

namespace {

// A car going round a ring road of 2 km radius at 72 km/h, one fix a second.
struct Fixes {
  std::vector<double> lat, lon;
  std::vector<std::string> lat_text, lon_text, speed_text;
  explicit Fixes(std::size_t count) {
    constexpr double kPi = 3.14159265358979323846;
    for (std::size_t i = 0; i < count; ++i) {
      const double angle = 2 * kPi * static_cast<double>(i) * 20.0 / (2 * kPi * 2000.0);
      lat.push_back(trezik::RoundHalfEven(48.0 + 0.018 * std::sin(angle), 7));
      lon.push_back(trezik::RoundHalfEven(11.0 + 0.018 * std::cos(angle) / std::cos(48.0 * kPi / 180), 7));
      lat_text.push_back(trezik::DoubleToText(lat.back(), '.'));
      lon_text.push_back(trezik::DoubleToText(lon.back(), '.'));
      speed_text.push_back("72 km/h");
    }
  }
};

const Fixes& RingRoad() {
  static const Fixes fixes(629);  // one lap
  return fixes;
}

// A temporary folder with the host's "pw.ini" in host/ and, unless
// `settings` is empty, the plug-in's "trezik.ini" in plugin/.
std::filesystem::path MakeRigFolder(const std::string& settings) {
  const std::filesystem::path folder = trezik::tools::MakeTemporaryFolder("trezik-bench-");
  trezik::tools::MakeFolders((folder / "host").string());
  trezik::tools::MakeFolders((folder / "plugin").string());
  trezik::tools::ReplaceFileDurably((folder / "host" / trezik::kHostSettingsFileName).string(),
                                    trezik::SettingsWriter().Units(true).text());
  if (!settings.empty()) {
    trezik::tools::ReplaceFileDurably((folder / "plugin" / trezik::kPluginSettingsFileName).string(), settings);
  }
  return folder;
}

// The plug-in running in an emulated desktop with the host stand-in.
class Rig {
 public:
  // `settings`: the plug-in's trezik.ini, none when empty.
  explicit Rig(const std::string& settings = "")
      : folder_(MakeRigFolder(settings)),
        hosted_(platform_, trezik::ToWindowsFolder((folder_ / "host").string()), nullptr) {
    platform_.set_module_folder((folder_ / "plugin").string());
    hosted_.host().SetRoad("Ring Road");
    hosted_.Create();
  }
  ~Rig() {
    hosted_.Release();
    std::filesystem::remove_all(folder_);
  }
  void Tick(std::size_t i) {
    const Fixes& fixes = RingRoad();
    const std::size_t k = i % fixes.lat.size();
    hosted_.host().SetFix(fixes.lat_text[k], fixes.lon_text[k], fixes.speed_text[k]);
    hosted_.Tick();
  }
  trezik::PWExtension& plugin() { return hosted_.plugin(); }

 private:
  trezik::EmulatedPlatform platform_;
  std::filesystem::path folder_;
  trezik::host::HostedPlugin hosted_;
};

void BM_TickThroughHost(benchmark::State& state) {
  Rig rig;
  std::size_t i = 0;
  for (auto _ : state) rig.Tick(i++);
  state.SetItemsProcessed(static_cast<std::int64_t>(i));
  benchmark::DoNotOptimize(trezik::Form1::Get().distance);
}
BENCHMARK(BM_TickThroughHost);

void BM_TickThroughHostWgs84(benchmark::State& state) {
  Rig rig(trezik::SettingsWriter().Item(trezik::kDistanceKey, trezik::kWgs84Choice).text());
  std::size_t i = 0;
  for (auto _ : state) rig.Tick(i++);
  state.SetItemsProcessed(static_cast<std::int64_t>(i));
  benchmark::DoNotOptimize(trezik::Form1::Get().distance);
}
BENCHMARK(BM_TickThroughHostWgs84);

// One distance routine alone over the ring road's consecutive fixes.
template <double (*Distance)(double, double, double, double)>
void BM_Bare(benchmark::State& state) {
  const Fixes& fixes = RingRoad();
  const std::size_t n = fixes.lat.size();
  std::size_t i = 1;
  double sum = 0;
  for (auto _ : state) {
    const std::size_t a = (i - 1) % n, b = i % n;
    sum += Distance(fixes.lat[a], fixes.lat[b], fixes.lon[a], fixes.lon[b]);
    ++i;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(i - 1));
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_Bare<trezik::greatcircledistance1>)->Name("BM_BareFormula");
BENCHMARK(BM_Bare<trezik::Wgs84NauticalMiles>)->Name("BM_BareWgs84");

void BM_ReturnLabel(benchmark::State& state) {
  Rig rig;
  for (int i = 0; i < 100; ++i) rig.Tick(i);
  const std::string label(trezik::vocabulary::NameOf(trezik::vocabulary::Label::kTripMeter));
  for (auto _ : state) benchmark::DoNotOptimize(rig.plugin().ReturnLabel(label, ""));
}
BENCHMARK(BM_ReturnLabel);

std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void BM_Heap24Hours(benchmark::State& state) {
  for (auto _ : state) {
    Rig rig;
    for (int i = 0; i < 600; ++i) rig.Tick(i);  // warm: every buffer at its working size
    const std::size_t before = HeapInUse();
    for (int i = 0; i < 86400; ++i) rig.Tick(600 + i);
    const std::size_t after = HeapInUse();
    state.counters["heap_before"] = static_cast<double>(before);
    state.counters["heap_after"] = static_cast<double>(after);
    state.counters["heap_growth"] = static_cast<double>(after) - static_cast<double>(before);
  }
}
BENCHMARK(BM_Heap24Hours)->Iterations(1)->Unit(benchmark::kMillisecond);

// Prints the runs as usual and keeps the time per iteration of each.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // CPU time: the figures stay put on a machine that is busy with
      // other work, as long as the benchmark's own thread runs alone.
      nanoseconds_[run.benchmark_name()] = run.GetAdjustedCPUTime() *
                                           (run.time_unit == benchmark::kMillisecond ? 1e6
                                            : run.time_unit == benchmark::kMicrosecond ? 1e3 : 1.0);
      if (run.counters.count("heap_growth")) heap_growth_ = run.counters.at("heap_growth").value;
    }
  }
  void Summarise() const {
    auto at = [&](const char* name) {
      const auto it = nanoseconds_.find(name);
      return it == nanoseconds_.end() ? 0.0 : it->second;
    };
    const double tick = at("BM_TickThroughHost"), bare = at("BM_BareFormula"), label = at("BM_ReturnLabel");
    const double tick_wgs84 = at("BM_TickThroughHostWgs84"), bare_wgs84 = at("BM_BareWgs84");
    std::printf("\nOne tick through the host contract: %.0f ns (%.0f fixes per second)\n", tick, 1e9 / tick);
    std::printf("Bare greatcircledistance1:          %.1f ns\n", bare);
    if (bare > 0) std::printf("Tick / bare formula:                %.1f (aim: at most 5)\n", tick / bare);
    std::printf("Bare Wgs84NauticalMiles:            %.1f ns\n", bare_wgs84);
    if (bare > 0) {
      std::printf("WGS84 step / spherical step:        %.2f (aim: at most 2: %s)\n", bare_wgs84 / bare,
                  bare_wgs84 <= 2 * bare ? "met" : "not met");
    }
    std::printf("One tick with distance=wgs84:       %.0f ns (%.2f times the spherical tick)\n", tick_wgs84,
                tick > 0 ? tick_wgs84 / tick : 0.0);
    std::printf("One ReturnLabel(\"tripmeter\"):       %.0f ns (aim: under 1000)\n", label);
    std::printf("Heap growth over 86,400 ticks:      %.0f bytes (must be 0)\n", heap_growth_);
  }

 private:
  std::map<std::string, double> nanoseconds_;
  double heap_growth_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summarise();
  benchmark::Shutdown();
  return 0;
}
