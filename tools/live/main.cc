// trezik-live: the trezik plug-in in a car on Linux. Its host takes the fixes
// from gpsd, ticks Timer1 once a second, and serves a page with the meters
// and the plug-in's buttons (see server.h). Ends, after the plug-in has
// saved its meters, on SIGTERM, SIGINT or SIGHUP.
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "contract/names.h"
#include "core/error.h"
#include "tools/live/live_command_line.h"
#include "tools/live/dashboard.h"
#include "tools/live/data_folder.h"
#include "tools/live/fix_rules.h"
#include "tools/live/gpsd_receiver.h"
#include "tools/live/live_loop.h"
#include "tools/live/live_session.h"
#include "tools/live/server.h"
#include "tools/live/signal_watcher.h"
#include "tools/live/track_recorder.h"

namespace trezik::live {
namespace {

constexpr char kName[] = "trezik-live: ";
// A run that ended after a save of the meters or a write of fuelcarry.ini
// failed, or without the meters of an unreadable tripmeter.ini.
constexpr int kExitMetersAtRisk = 3;
// A run an error ended; the plug-in saved what it could.
constexpr int kExitError = 4;

// The page's address as a browser takes it (an IPv6 address in brackets),
// with the token in the fragment when one is needed: the page keeps it from
// there. On every address at once (0.0.0.0, ::) no browser can open the
// listening address itself: the page is named on loopback, which the server
// accepts then too, and other devices use this machine's address instead.
std::string PageAddress(std::string address, int port, const std::string& token) {
  if (address.empty() || address == "0.0.0.0") address = "127.0.0.1";
  if (address == "::" || address == "[::]") address = "::1";
  const bool ipv6 = address.find(':') != std::string::npos && address.front() != '[';
  return "http://" + (ipv6 ? "[" + address + "]" : address) + ":" + std::to_string(port) + "/" +
         (token.empty() ? "" : "#token=" + token);
}

std::chrono::steady_clock::duration TickPeriod(double speedup) {
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(1.0 / speedup));
}

int Run(const LiveOptions& options) {
  // A token on an address others can reach: the one given, or a new one.
  std::string token;
  bool token_made = false;
  std::optional<DataFolder> folder;
  try {
    token = GivenToken(options, std::getenv("CREDENTIALS_DIRECTORY"));
    token_made = token.empty() && !IsLoopbackAddress(options.listen_address);
    if (token_made) token = NewToken();
    folder = PrepareDataFolder(options.data.empty()
                                   ? DefaultDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"))
                                   : options.data,
                               options.imperial);
  } catch (const std::exception& error) {
    std::cerr << kName << error.what() << "\n";
    return 1;
  }
  if (options.imperial && !folder->pw_ini_made && folder->metric_units) {
    std::cerr << kName << "--imperial is not applied: the data folder's pw.ini says isunits=True\n";
  }
  if (!folder->places_refused.empty()) std::cerr << kName << folder->places_refused << ": no place is named\n";
  if (const auto& bad = folder->bad_place_lines; !bad.empty()) {
    std::cerr << kName << "places.csv: " << bad.size() << (bad.size() == 1 ? " line is" : " lines are")
              << " no \"name, latitude, longitude\" and passed over (line";
    for (std::size_t i = 0; i < bad.size() && i < 5; ++i) std::cerr << (i == 0 ? " " : ", ") << bad[i];
    std::cerr << (bad.size() > 5 ? ", ...)\n" : ")\n");
  }

  // Every thread from here on inherits the blocked signals.
  BlockEndingSignals();
  Dashboard dashboard;
  SignalWatcher watcher(dashboard);
  GpsdReceiver receiver(options.gpsd_host, options.gpsd_port, options.speedup);
  receiver.Start();
  const FixRules rules(options.speedup, folder->metric_units, '.');
  GpsdFixSource source(receiver, rules);
  LiveSession session(folder->path, source);
  try {
    session.Create();
  } catch (const Error& error) {
    std::cerr << kName << "the plug-in's start-up failed: " << ErrorKindName(error.kind()) << " ("
              << error.what() << ")\n";
    return 1;
  }
  HistoryView history(folder->path);
  Server server(dashboard, {options.listen_address, options.listen_port, token, &std::cerr, &history});
  std::string error;
  if (!server.Start(error)) {
    std::cerr << kName << error << "\n";
    return 1;
  }
  std::cout << "page: " << PageAddress(options.listen_address, server.port(), token) << "\n"
            << "data folder: " << folder->path << "\n"
            << "gpsd: " << options.gpsd_host << ":" << options.gpsd_port << "\n";
  if (token_made) std::cout << "token: " << token << "\n";
  std::cout << std::flush;

  const std::string state_file_problem = session.StateFileProblem();
  if (!state_file_problem.empty()) std::cerr << kName << state_file_problem << "\n" << std::flush;

  std::optional<TrackRecorder> recorder;
  if (options.record) {
    recorder.emplace(folder->path + "/" + kTracksFolderName,
                     TrackLimits{options.keep_track_days, std::uint64_t(options.tracks_megabytes) * 1000000},
                     LocalUtcOffsetSeconds());
  }
  bool ended_by_error = false;
  try {
    RunLiveLoop({session, dashboard, receiver, rules, folder->places, TickPeriod(options.speedup), std::cerr,
                 state_file_problem, folder->plugin_autosaves ? 0 : kAutosaveSeconds,
                 recorder ? &*recorder : nullptr});
  } catch (const std::exception& error) {
    // The plug-in is still whole: it saves at its release below.
    ended_by_error = true;
    dashboard.Close();
    std::cerr << kName << "the run ends on an error: " << error.what() << "\n" << std::flush;
  }
  recorder.reset();
  session.Release();
  server.Stop();
  receiver.Stop();
  const SaveRecord& saves = session.saves();
  if (saves.failing) std::cerr << kName << "the meters could not be saved at the end: " << saves.last_error << "\n";
  if (saves.failures > 0) {
    std::cerr << kName << saves.failures << (saves.failures == 1 ? " save" : " saves")
              << " of the meters failed in this run\n";
  }
  const SaveRecord& carry = session.carry_saves();
  if (carry.failing) {
    std::cerr << kName << kFuelCarryFileName << " could not be written at the end: " << carry.last_error << "\n";
  }
  if (carry.failures > 0) {
    std::cerr << kName << carry.failures << (carry.failures == 1 ? " write" : " writes") << " of "
              << kFuelCarryFileName << " failed in this run\n";
  }
  if (ended_by_error) return kExitError;
  return saves.failures > 0 || carry.failures > 0 || !state_file_problem.empty() ? kExitMetersAtRisk : 0;
}

}  // namespace
}  // namespace trezik::live

int main(int argc, char** argv) {
  using namespace trezik::live;
  LiveOptions options;
  try {
    options = ParseLiveCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const trezik::tools::UsageError& error) {
    std::cerr << "trezik-live: " << error.what() << "; see --help\n";
    return 2;
  }
  if (options.help) {
    std::cout << LiveUsageText();
    return 0;
  }
  if (options.version) {
    std::cout << LiveVersionText();
    return 0;
  }
  // Whatever Run could not handle itself (an allocation that failed while
  // it started or ended) is told; the plug-in, when it was created, has
  // saved at its release as the stack unwound.
  try {
    return Run(options);
  } catch (const std::exception& error) {
    std::cerr << "trezik-live: the run ends on an error: " << error.what() << "\n";
    return kExitError;
  }
}
