// How trezik-live ends: SIGTERM (systemd, shutdown), SIGINT (Ctrl-C) and
// SIGHUP (the terminal goes) close the dashboard, and the plug-in's thread
// then releases the plug-in, which saves its meters. The signals are
// blocked in every thread, so that none is cut short by them, and one
// thread waits for them with sigwait.
#pragma once

#include <pthread.h>

#include <atomic>
#include <thread>

#include "tools/live/dashboard.h"

namespace trezik::live {

// Blocks SIGTERM, SIGINT and SIGHUP (not when it is ignored, under nohup)
// in the calling thread and every thread it starts from now on. Call it
// before any thread starts.
void BlockEndingSignals();

class SignalWatcher {
 public:
  // Starts the waiting thread; BlockEndingSignals must have run.
  explicit SignalWatcher(Dashboard& dashboard);
  ~SignalWatcher();
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

  // The signal that ended the run, or 0.
  int received() const { return received_.load(); }

 private:
  Dashboard& dashboard_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> received_{0};
  std::thread thread_;
};

}  // namespace trezik::live
