// Helpers for the simulator's tests: scratch folders and the recorded tracks.
#pragma once

#include <cstdlib>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "support/scratch_folder.h"

namespace trezik::drive::testing {

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = trezik::testing::MakeScratchFolder("trezik-drive-test-" +
                                               std::string(info->test_suite_name()) + "-" +
                                               info->name() + "-");
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string Path(const std::string& name = "") const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::string& content) const {
    std::ofstream(path_ / name, std::ios::binary) << content;
    return Path(name);
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string SourcePath(const std::string& relative) {
  return (std::filesystem::path(TREZIK_SOURCE_DIR) / relative).string();
}

inline bool RunningInCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string(ci) == "true";
}

// A recorded drive of ../shared/tracks, or "" when it is not there.
inline std::string TrackPath(const std::string& name) {
  const auto path = std::filesystem::path(TREZIK_SOURCE_DIR) / ".." / "shared" / "tracks" / name;
  return std::filesystem::exists(path) ? path.string() : "";
}

}  // namespace trezik::drive::testing

// CI always has ../shared beside the checkout: there a missing track fails.
#define TREZIK_TRACK_OR_SKIP(variable, name)                                      \
  const std::string variable = ::trezik::drive::testing::TrackPath(name);         \
  if (variable.empty() && ::trezik::drive::testing::RunningInCi())                \
    FAIL() << "recorded track " << name << " missing under CI=true";              \
  if (variable.empty()) GTEST_SKIP() << "recorded track " << name << " not present"
