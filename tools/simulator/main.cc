// trezik-drive: replays a recorded drive through the trezik plug-in on Linux,
// playing the host application. See docs/simulator.md.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <string>

#include "tools/simulator/trezik_drive.h"
#include "tools/simulator/display.h"

#ifndef TREZIK_DEFAULT_DRIVE_DIR
#define TREZIK_DEFAULT_DRIVE_DIR "tools/simulator/default_drive"
#endif
// Where an installed trezik-drive finds the bundled drive, relative to the
// folder of the program (../share/trezik for /usr/bin/trezik-drive).
#ifndef TREZIK_INSTALLED_DRIVE_DIR
#define TREZIK_INSTALLED_DRIVE_DIR "../share/trezik"
#endif

namespace {

// Set by Ctrl-C; the tick loop checks it after every tick. A lock-free
// atomic may be stored to in a signal handler.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) { interrupted.store(true); }

// The bundled drive beside the installed program when it is there, else the
// one in the sources, for a trezik-drive run from its build folder.
std::string DefaultDriveFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path installed = program.parent_path() / TREZIK_INSTALLED_DRIVE_DIR;
    if (std::filesystem::is_regular_file(installed / "default_drive.gpx", error)) {
      return installed.lexically_normal().string();
    }
  }
  return TREZIK_DEFAULT_DRIVE_DIR;
}

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
                                       DefaultDriveFolder(), console);
}
