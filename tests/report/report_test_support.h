// Scratch folders for the report's tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/common/atomic_file.h"

namespace trezik::report::testing {

// A fresh folder of its own under the system's temporary folder, removed at
// the end.
class Scratch {
 public:
  Scratch() : path_(drive::MakeTemporaryFolder("trezik-report-test-")) {}
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

}  // namespace trezik::report::testing
