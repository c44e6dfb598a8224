#include "tools/simulator/log_files.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace trezik::drive {

std::optional<std::string> FileContent(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> NewRecords(const std::string& path, std::uintmax_t& size) {
  std::vector<std::string> records;
  std::error_code error;
  const std::uintmax_t now = std::filesystem::file_size(path, error);
  if (error || now <= size) {
    size = error ? 0 : now;
    return records;
  }
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(size));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    records.push_back(line);
  }
  size = now;
  return records;
}

std::uintmax_t FileSizeOrZero(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return error ? 0 : size;
}

}  // namespace trezik::drive
