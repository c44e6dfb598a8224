// Test support: a scratch folder of the test's own, made new under the
// system's temporary folder (mkdtemp, or on Windows a fresh name created
// exclusively), so that what a killed run left behind is never met again.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace trezik::testing {

// PREFIX (a test's name, say) with every character but letters, digits and
// "-" made "_", so that a parameterised test's "/" makes no subfolder.
inline std::filesystem::path MakeScratchFolder(std::string prefix) {
  for (char& c : prefix) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    if (!plain) c = '_';
  }
  const std::filesystem::path base = std::filesystem::temp_directory_path();
#if defined(_WIN32)
  std::random_device seed;
  std::mt19937 pick(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path folder = base / (prefix + std::to_string(pick() % 1000000000u));
    std::error_code error;
    if (std::filesystem::create_directory(folder, error)) return folder;  // new, not found
  }
  throw std::runtime_error("no new scratch folder under " + base.string());
#else
  std::string name = (base / (prefix + "XXXXXX")).string();
  if (::mkdtemp(name.data()) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "mkdtemp " + name);
  }
  return name;
#endif
}

}  // namespace trezik::testing
