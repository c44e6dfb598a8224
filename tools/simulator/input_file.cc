#include "tools/simulator/input_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "tools/simulator/drive.h"

namespace trezik::drive {

namespace {

// "1 GiB", "512 MiB", "100 bytes".
std::string Size(std::uintmax_t bytes) {
  if (bytes >= (1u << 30) && bytes % (1u << 30) == 0) return std::to_string(bytes >> 30) + " GiB";
  if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace

std::string InputName(const std::string& path) { return path == "-" ? kStandardInputName : path; }

std::string ReadWithin(std::istream& in, const std::string& name, std::uintmax_t limit) {
  std::string content;
  std::vector<char> block(1 << 16);
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (content.size() + got > limit) {
      throw DriveError(name, 0, "holds more than " + Size(limit) + ", more than the simulator reads");
    }
    content.append(block.data(), got);
  }
  if (in.bad()) throw DriveError(name, 0, "read error");
  return content;
}

bool LineReader::Next(std::string& line) {
  line.clear();
  unterminated_ = too_long_ = false;
  std::streambuf* buffer = in_.rdbuf();
  bool any = false;
  for (int c; (c = buffer->sbumpc()) != std::char_traits<char>::eof();) {
    any = true;
    if (++read_ > limit_) {
      throw DriveError(name_, 0, "holds more than " + Size(limit_) + ", more than the simulator reads");
    }
    if (c == '\n') {
      ++number_;
      return true;
    }
    if (line.size() < kLongestLine) {
      line.push_back(static_cast<char>(c));
    } else {
      too_long_ = true;
    }
  }
  if (!any) return false;
  ++number_;
  unterminated_ = true;
  return true;
}

std::unique_ptr<std::istream> OpenInputFile(const std::string& path, std::uintmax_t limit) {
  if (path == "-") return std::make_unique<std::istream>(std::cin.rdbuf());
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) {
    throw DriveError(path, 0, "cannot open: " + std::string(std::strerror(ENOENT)));
  }
  if (error) throw DriveError(path, 0, "cannot open: " + error.message());
  if (std::filesystem::is_directory(status)) throw DriveError(path, 0, "is a folder, not a file");
  if (!std::filesystem::is_regular_file(status)) {
    throw DriveError(path, 0,
                     "is not a regular file (a device, a pipe or a socket); give a file, or '-' to read "
                     "standard input");
  }
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) throw DriveError(path, 0, "cannot open: " + error.message());
  if (size > limit) {
    throw DriveError(path, 0,
                     "is " + std::to_string(size) + " bytes, larger than the " + Size(limit) +
                         " the simulator reads");
  }
  auto in = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (!*in) throw DriveError(path, 0, std::string("cannot open: ") + std::strerror(errno));
  return in;
}

PrefixedBuffer::PrefixedBuffer(std::string prefix, std::streambuf* rest) : prefix_(std::move(prefix)), rest_(rest) {
  setg(prefix_.data(), prefix_.data(), prefix_.data() + prefix_.size());
}

PrefixedBuffer::int_type PrefixedBuffer::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (!prefix_done_) {
    prefix_done_ = true;
    prefix_.clear();
    prefix_.shrink_to_fit();
  }
  const std::streamsize got = rest_ == nullptr ? 0 : rest_->sgetn(block_, sizeof block_);
  if (got <= 0) return traits_type::eof();
  setg(block_, block_, block_ + got);
  return traits_type::to_int_type(*gptr());
}

std::string ReadInputFile(const std::string& path, std::uintmax_t limit) {
  // The file may grow while it is read: the bound holds all the same.
  return ReadWithin(*OpenInputFile(path, limit), InputName(path), limit);
}

}  // namespace trezik::drive
