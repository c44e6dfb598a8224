// xdg-open, looked up on the PATH first so that a missing one is told apart
// from one that runs; it is started and left to itself.
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "tools/report/open_page.h"

extern char** environ;

namespace trezik::report {
namespace {

std::string FindOnPath(std::string_view program) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "";
  while (true) {
    const std::size_t colon = rest.find(':');
    std::string folder(rest.substr(0, colon));
    if (folder.empty()) folder = ".";
    const std::string candidate = folder + "/" + std::string(program);
    struct stat status {};
    if (::stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    if (colon == std::string_view::npos) return "";
    rest.remove_prefix(colon + 1);
  }
}

}  // namespace

bool OpenWithSystem(const std::string& path) {
  const std::string opener = FindOnPath("xdg-open");
  if (opener.empty()) return false;
  std::string program = opener, argument = path;
  char* arguments[] = {program.data(), argument.data(), nullptr};
  pid_t child = 0;
  return ::posix_spawn(&child, opener.c_str(), nullptr, nullptr, arguments, environ) == 0;
}

}  // namespace trezik::report
