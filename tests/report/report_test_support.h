// Scratch folders for the report's tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/common/atomic_file.h"
#include "tools/report/trezik_report.h"

namespace trezik::report::testing {

// A fresh folder of its own under the system's temporary folder, removed at
// the end.
class Scratch {
 public:
  Scratch() : path_(tools::MakeTemporaryFolder("trezik-report-test-")) {}
  ~Scratch() { std::filesystem::remove_all(path_); }
  std::string Path(const std::string& name = "") const { return (path_ / name).string(); }
  // Writes a file, creating its folder.
  std::string Write(const std::string& name, const std::string& content) const {
    std::filesystem::create_directories((path_ / name).parent_path());
    std::ofstream(path_ / name, std::ios::binary) << content;
    return Path(name);
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path path_;
};

// What trezik-report did with a command line: its exit status and output.
struct Outcome {
  int code;
  std::string out, err;
};

inline Outcome RunTool(const std::vector<std::string>& arguments) {
  std::ostringstream out, err;
  const int code = RunTrezikReport(arguments, out, err);
  return {code, out.str(), err.str()};
}

}  // namespace trezik::report::testing
