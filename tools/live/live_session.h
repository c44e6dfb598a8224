// The plug-in in trezik-live: an emulated desktop on the plug-in's thread
// whose clock starts at the wall clock's local time and moves one second a
// tick, the host's window answering from gpsd, and one PWExtension, created
// and released on this thread. Nothing here is touched from another thread.
#pragma once

#include <optional>
#include <string>

#include "host/hosted_plugin.h"
#include "tools/live/dashboard.h"
#include "tools/live/watched_platform.h"

namespace trezik::live {

// What a failed call is answered with: calculation errors (type mismatch,
// division by zero, overflow, invalid argument) are the command's fault,
// 422; file and memory errors the machine's, 500.
int CommandErrorStatus(ErrorKind kind);

class LiveSession {
 public:
  // `folder` is the host's folder and the plug-in's (pw.ini, trezik.ini,
  // tripmeter.ini and the logs lie there); `source` reports the fixes and
  // must outlive the session.
  LiveSession(const std::string& folder, host::FixSource& source);
  LiveSession(const LiveSession&) = delete;
  LiveSession& operator=(const LiveSession&) = delete;

  // The plug-in's start-up; throws trezik::Error when it fails.
  void Create() { hosted_.Create(); }
  // One tick of Timer1: the desktop's clock moves 1000 ms.
  void Tick() { hosted_.Tick(); }
  CommandAnswer Command(const std::string& command);
  // The labels of the page, those of them that show no figure yet, the
  // work indicator and the plug-in's time of day. A label whose call fails
  // reads "error: <kind>" ("error: invalid argument"), as in trezik-drive's
  // tables, so that the page shows why it is blank.
  Snapshot Read(GpsStatus gps);
  // The place name the host reports from now on; none: no reply.
  void SetRoad(const std::string* name);
  // Releases the plug-in; Form1's unload saves tripmeter.ini. Safe twice.
  void Release() { hosted_.Release(); }

  // How the saves of tripmeter.ini, and the writes of fuelcarry.ini, went so far.
  const SaveRecord& saves() const { return platform_.saves(); }
  const SaveRecord& carry_saves() const { return platform_.carry_saves(); }
  // The records the plug-in logged since the start, and the desktop's clock.
  const LogAppends& log_appends() const { return platform_.log_appends(); }
  LocalTime HostTime() { return platform_.Now(); }
  std::string StateFileProblem() const { return host::HostedPlugin::StateFileProblem(); }
  bool MetersChangedSinceFile() const { return host::HostedPlugin::MetersChangedSinceFile(); }

 private:
  WatchedPlatform platform_;
  host::HostedPlugin hosted_;
  std::string road_;
  bool has_road_ = false;
};

}  // namespace trezik::live
