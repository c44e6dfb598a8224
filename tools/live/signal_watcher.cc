#include "tools/live/signal_watcher.h"

#include <signal.h>

namespace trezik::live {
namespace {

// Started under nohup, SIGHUP is ignored, and stays so: the run goes on
// when the terminal closes, as the user asked.
bool hangup_ignored = false;

sigset_t EndingSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  if (!hangup_ignored) sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void BlockEndingSignals() {
  struct sigaction hangup {};
  hangup_ignored = sigaction(SIGHUP, nullptr, &hangup) == 0 && hangup.sa_handler == SIG_IGN;
  const sigset_t set = EndingSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher(Dashboard& dashboard) : dashboard_(dashboard) {
  thread_ = std::thread([this] {
    const sigset_t set = EndingSignals();
    int signal = 0;
    while (sigwait(&set, &signal) != 0) {
    }
    if (stopping_.load()) return;  // the watcher's own wake-up at the end
    received_.store(signal);
    dashboard_.Close();
  });
}

SignalWatcher::~SignalWatcher() {
  // The run ended some other way: wake the thread with a signal only it
  // waits for (the others have it blocked and never take it).
  stopping_.store(true);
  if (received_.load() == 0) pthread_kill(thread_.native_handle(), SIGTERM);
  thread_.join();
}

}  // namespace trezik::live
