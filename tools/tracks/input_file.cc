#include "tools/tracks/input_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <algorithm>
#include <vector>

#include "tools/tracks/drive.h"

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

void LineReader::CountByte() {
  if (++read_ > limit_) {
    throw DriveError(name_, 0, "holds more than " + Size(limit_) + ", more than the simulator reads");
  }
}

bool LineReader::Next(std::string& line) {
  line.clear();
  unterminated_ = too_long_ = false;
  ending_bytes_ = 0;
  std::streambuf* buffer = in_.rdbuf();
  bool any = false;
  for (int c; (c = buffer->sbumpc()) != std::char_traits<char>::eof();) {
    any = true;
    CountByte();
    // LF, CR LF, CR CR LF (a CR LF written through a text-mode stream) and a
    // lone CR (old Macs, some loggers) each end one line.
    if (c == '\r') {
      int next = buffer->sgetc();
      for (; next == '\r' || next == '\n'; next = buffer->sgetc()) {
        buffer->sbumpc();
        CountByte();
        ++ending_bytes_;
        if (next == '\n') break;
      }
      c = '\n';
    }
    if (c == '\n') {
      ++ending_bytes_;
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

int Utf16Buffer::Unit() {
  const int a = source_->sbumpc();
  if (a == traits_type::eof()) return -1;
  const int b = source_->sbumpc();
  if (b == traits_type::eof()) return 0xFFFD;
  return big_endian_ ? (a << 8 | b) : (b << 8 | a);
}

Utf16Buffer::int_type Utf16Buffer::underflow() {
  std::size_t size = 0;
  while (size + 4 <= sizeof block_) {
    int unit = pending_ >= 0 ? pending_ : Unit();
    pending_ = -1;
    if (unit < 0) break;
    if (!started_) {
      started_ = true;
      if (unit == 0xFEFF) continue;
    }
    std::uint32_t point = static_cast<std::uint32_t>(unit);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      const int low = Unit();
      if (low >= 0xDC00 && low <= 0xDFFF) {
        point = 0x10000 + ((static_cast<std::uint32_t>(unit) - 0xD800) << 10) + (static_cast<std::uint32_t>(low) - 0xDC00);
      } else {
        point = 0xFFFD;
        pending_ = low;
      }
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      point = 0xFFFD;
    }
    if (point < 0x80) {
      block_[size++] = static_cast<char>(point);
    } else if (point < 0x800) {
      block_[size++] = static_cast<char>(0xC0 | point >> 6);
      block_[size++] = static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
      block_[size++] = static_cast<char>(0xE0 | point >> 12);
      block_[size++] = static_cast<char>(0x80 | (point >> 6 & 0x3F));
      block_[size++] = static_cast<char>(0x80 | (point & 0x3F));
    } else {
      block_[size++] = static_cast<char>(0xF0 | point >> 18);
      block_[size++] = static_cast<char>(0x80 | (point >> 12 & 0x3F));
      block_[size++] = static_cast<char>(0x80 | (point >> 6 & 0x3F));
      block_[size++] = static_cast<char>(0x80 | (point & 0x3F));
    }
  }
  if (size == 0) return traits_type::eof();
  setg(block_, block_, block_ + size);
  return traits_type::to_int_type(*gptr());
}

std::optional<bool> Utf16BigEndian(std::string_view start) {
  if (start.starts_with("\xFF\xFE")) return false;
  if (start.starts_with("\xFE\xFF")) return true;
  // Without a mark: the first characters are ASCII, each with a NUL byte
  // after it (little-endian) or before it (big-endian).
  const std::size_t pairs = std::min<std::size_t>(start.size() / 2, 32);
  if (pairs < 2) return std::nullopt;
  bool little = true, big = true;
  for (std::size_t i = 0; i < pairs; ++i) {
    const unsigned char a = static_cast<unsigned char>(start[2 * i]), b = static_cast<unsigned char>(start[2 * i + 1]);
    little = little && a != 0 && a < 0x80 && b == 0;
    big = big && a == 0 && b != 0 && b < 0x80;
  }
  if (little) return false;
  if (big) return true;
  return std::nullopt;
}

std::string ReadInputFile(const std::string& path, std::uintmax_t limit) {
  // The file may grow while it is read: the bound holds all the same.
  return ReadWithin(*OpenInputFile(path, limit), InputName(path), limit);
}

}  // namespace trezik::drive
