// What a shell command prints on standard output, for the tests that run a
// browser or a tool as a program of its own.
#pragma once

#include <cstdio>
#include <string>

namespace trezik::testing {

inline std::string CommandOutput(const std::string& command) {
  std::string text;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    ::pclose(pipe);
  }
  return text;
}

}  // namespace trezik::testing
