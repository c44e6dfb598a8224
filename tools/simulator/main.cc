// trezik-drive: replays a recorded drive through the trezik plug-in on Linux,
// playing the host application. See docs/simulator.md.
#include <unistd.h>

#include <iostream>

#include "tools/simulator/cli.h"

#ifndef TREZIK_DEFAULT_DRIVE_DIR
#define TREZIK_DEFAULT_DRIVE_DIR "tools/simulator/default_drive"
#endif

int main(int argc, char** argv) {
  return trezik::drive::RunTrezikDrive(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                                       TREZIK_DEFAULT_DRIVE_DIR, ::isatty(STDOUT_FILENO) != 0);
}
