// gpsd's reports on a thread of their own (libgps): connects to gpsd, asks
// for its reports as JSON, keeps the latest fix, and connects again, waiting
// 1 s, then 2, 4, 8 and at most 10 s between tries, whenever gpsd is not
// there, stops or restarts. The plug-in's thread reads what it keeps. Under
// --speedup N the waits are of host time too, N times as short (at least
// 20 ms), so that a sped-up run loses no more of a drive while it connects
// than a real one does. At most one position report a tick (1/N s) is
// worked on, the newest, when the plug-in's thread asks; the others are
// dropped and counted (gpsd_receiver.cc says why).
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "host/host.h"
#include "tools/live/fix_rules.h"

namespace trezik::live {

// What the receiver knows at one moment.
struct GpsState {
  bool connected = false;
  std::optional<GpsReport> fix;  // the latest 2D or 3D report
  std::uint64_t reconnects = 0;  // connections made after the first
  std::uint64_t worked = 0;      // position reports worked on: at most one a tick
  std::uint64_t dropped = 0;     // position reports passed over for a newer one
  // While gpsd cannot be reached: why, as "no gpsd at HOST:PORT: CAUSE"
  // (gpsd_reach.h); empty once a connection is made.
  std::string unreached;
};

class GpsdReceiver {
 public:
  static constexpr std::chrono::seconds kFirstRetry{1};
  static constexpr std::chrono::seconds kLongestRetry{10};

  GpsdReceiver(std::string host, std::string port, double speedup = 1.0);
  // Stops the thread when it is still running.
  ~GpsdReceiver();
  GpsdReceiver(const GpsdReceiver&) = delete;
  GpsdReceiver& operator=(const GpsdReceiver&) = delete;

  void Start();
  // Ends the thread. It stops within half a second, unless it is inside a
  // connection attempt to a host that does not answer: then it is left to
  // finish alone (it touches nothing but its own state) and Stop returns
  // after 2 s.
  void Stop();

  // What the receiver knows now; works on the newest report when one came
  // since the last call, and the last was worked on 9/10 of a tick ago or
  // more.
  GpsState State() const;

  // What the thread keeps (gpsd_receiver.cc).
  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

// The plug-in's host asks the receiver for its fix whenever the plug-in
// asks for the position.
class GpsdFixSource : public host::FixSource {
 public:
  GpsdFixSource(const GpsdReceiver& receiver, FixRules rules) : receiver_(receiver), rules_(rules) {}
  std::optional<host::Fix> NextFix() override {
    return rules_.HostFix(receiver_.State().fix, std::chrono::steady_clock::now());
  }

 private:
  const GpsdReceiver& receiver_;
  FixRules rules_;
};

}  // namespace trezik::live
