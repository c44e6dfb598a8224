// A log file read line by line through a fixed buffer, so that a log of any
// size is read in the same memory. A line longer than kLongestLine is cut
// there and marked: no log line of the plug-in comes near it.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace trezik::report {

// A path that does not exist or cannot be read, or input that cannot make a
// report (nothing is written then).
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class LineReader {
 public:
  static constexpr std::size_t kLongestLine = 64 * 1024;

  // Throws InputError when the file cannot be opened.
  explicit LineReader(const std::string& path);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  ~LineReader();

  // The next line without its end (LF, or CR LF) and without a byte-order
  // mark at the start of the file; false at the end. `cut` is true when the
  // line was longer than kLongestLine. Throws InputError on a read error.
  bool Next(std::string& line, bool& cut);
  // The number of the line Next gave last, from 1.
  int number() const { return number_; }
  // Bytes read so far.
  std::size_t bytes() const { return bytes_; }

 private:
  bool Fill();

  std::string path_;
  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  std::size_t at_ = 0, end_ = 0, bytes_ = 0;
  int number_ = 0;
};

}  // namespace trezik::report
