#include "tools/report/line_reader.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "tools/report/native_path.h"

namespace trezik::report {

LineReader::LineReader(const std::string& path) : path_(path), buffer_(1 << 20) {
  file_ = OpenForReading(path);
  if (file_ == nullptr) throw InputError(path + ": cannot be read: " + std::generic_category().message(errno));
}

LineReader::~LineReader() {
  if (file_ != nullptr) std::fclose(file_);
}

bool LineReader::Fill() {
  at_ = 0;
  end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  if (end_ == 0 && std::ferror(file_)) throw InputError(path_ + ": cannot be read: " + std::strerror(errno));
  bytes_ += end_;
  return end_ > 0;
}

bool LineReader::Next(std::string& line, bool& cut) {
  line.clear();
  cut = false;
  bool any = false;
  while (true) {
    if (at_ == end_ && !Fill()) break;
    const char* start = buffer_.data() + at_;
    const auto* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - at_));
    const std::size_t length = newline != nullptr ? static_cast<std::size_t>(newline - start) : end_ - at_;
    const std::size_t room = kLongestLine - std::min(line.size(), kLongestLine);
    line.append(start, std::min(length, room));
    cut = cut || length > room;
    any = true;
    at_ += length;
    if (newline != nullptr) {
      ++at_;
      break;
    }
  }
  if (!any) return false;
  ++number_;
  if (!cut && !line.empty() && line.back() == '\r') line.pop_back();
  if (number_ == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // a mark an editor added
  return true;
}

}  // namespace trezik::report
