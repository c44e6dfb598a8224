// trezik-drive: replays a recorded drive through the trezik plug-in on Linux,
// playing the host application. See docs/simulator.md.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iostream>

#include "tools/simulator/cli.h"
#include "tools/simulator/display.h"

#ifndef TREZIK_DEFAULT_DRIVE_DIR
#define TREZIK_DEFAULT_DRIVE_DIR "tools/simulator/default_drive"
#endif

namespace {

// Set by Ctrl-C; the tick loop checks it after every tick. A lock-free
// atomic may be stored to in a signal handler.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) { interrupted.store(true); }

}  // namespace

int main(int argc, char** argv) {
  // The first Ctrl-C ends the run cleanly; the handler then gives way to the
  // default, so that a second one ends the program at once.
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);

  trezik::drive::Console console;
  console.terminal = ::isatty(STDOUT_FILENO) != 0;
  console.columns = [] { return trezik::drive::TerminalColumns(STDOUT_FILENO); };
  console.interrupt = &interrupted;
  return trezik::drive::RunTrezikDrive(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                                       TREZIK_DEFAULT_DRIVE_DIR, console);
}
