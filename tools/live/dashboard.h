// What passes between the plug-in's thread and the dashboard's server
// threads in trezik-live. The plug-in lives on one thread (its Form1 is that
// thread's); the server never calls it. The plug-in's thread publishes what
// the page shows after every tick and command, and carries out the commands
// the server hands it, one at a time, between ticks.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <condition_variable>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "contract/vocabulary.h"

namespace trezik::live {

// What the page says of the GPS: a fix, gpsd but no (recent) fix, no gpsd.
enum class GpsStatus { kFix, kNoFix, kNoGps };
// "fix", "no fix", "no gps".
const char* GpsStatusText(GpsStatus status);

// The names of the labels the page shows, in the order it shows them.
const std::vector<std::string>& DashboardLabels();

// What the page shows, as of one moment on the plug-in's thread.
struct Snapshot {
  std::uint64_t version = 0;  // grows with every publication; 0 before the first
  std::vector<std::pair<std::string, std::string>> labels;  // name, ReturnLabel's text
  bool workrec = false;  // the work indicator (vocabulary::kWorkIndicator)
  GpsStatus gps = GpsStatus::kNoGps;
  std::vector<std::string> problems;  // what the driver must know: a failed save, ...
  // The labels whose text is no figure of the plug-in's yet (a 0 that
  // stands for none, "trezik_range" without a tank): the page shows "–".
  std::vector<std::string> no_figure;
  std::optional<std::string> speed;  // the host's speed now, whole, in the speed unit
  std::string clock;                 // the plug-in's time of day, HH:MM
  std::optional<std::string> place;  // the place the host names now (places.csv)
};

// The plug-in's answer to one command: its result, or its error's text with
// an HTTP status of 4xx or 5xx.
struct CommandAnswer {
  int status = 200;
  std::optional<int> result;
  std::string error;
};

// One command waiting for the plug-in's thread.
struct PendingCommand {
  std::string command;
  std::promise<CommandAnswer> answer;
};

class Dashboard {
 public:
  // --- the server's side, any thread ---

  // The latest publication.
  Snapshot Latest() const;
  // Waits up to `timeout` for a publication newer than `version`; none when
  // there is none by then or the dashboard is closed.
  std::optional<Snapshot> WaitNewer(std::uint64_t version, std::chrono::milliseconds timeout) const;
  // Hands `command` to the plug-in's thread and waits up to `timeout` for
  // the answer. A command still waiting when the time is up, or handed over
  // after Close(), is never carried out: status 503.
  CommandAnswer Press(std::string command, std::chrono::milliseconds timeout);

  // --- the plug-in's thread ---

  // Publishes what the page shows now (its version is set here).
  void Publish(Snapshot snapshot);
  // Waits until a command is waiting, `until` comes or the dashboard is
  // closed, and takes the waiting commands, oldest first.
  std::vector<std::shared_ptr<PendingCommand>> TakeCommands(std::chrono::steady_clock::time_point until);
  // Ends the exchange: commands no longer taken are answered 503, waiters
  // wake. Safe from any thread (the signal watcher calls it).
  void Close();
  bool closed() const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable published_;
  std::condition_variable commands_waiting_;
  Snapshot latest_;
  std::deque<std::shared_ptr<PendingCommand>> queue_;
  bool closed_ = false;
};

}  // namespace trezik::live
