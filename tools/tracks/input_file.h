// The files trezik-drive reads (the drive and the skin script): regular
// files of a bounded size, or standard input, read whole within that bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <streambuf>
#include <string_view>
#include <string>
#include <utility>

namespace trezik::drive {

// The largest drive or script read: 31 days of one-second fixes take about
// 390 MB as NMEA with RMC and GGA, 530 MB as GPX with a speed.
inline constexpr std::uintmax_t kLargestInputBytes = std::uintmax_t{1} << 30;

// The name "-" stands for standard input, "standard input" is how messages
// name it.
inline constexpr char kStandardInputName[] = "standard input";
std::string InputName(const std::string& path);

// Reads `path` whole, or standard input for "-". Refuses, with DriveError
// naming the file in one line and before reading a byte: a folder, anything
// that is not a regular file (a device such as /dev/zero, a pipe, a socket),
// a file larger than `limit` bytes. Standard input is read up to `limit`
// bytes and refused when it holds more.
std::string ReadInputFile(const std::string& path, std::uintmax_t limit = kLargestInputBytes);

// The same checks, then the file open as a stream to read from the start;
// for "-" standard input, as it comes (its readers count the bound).
std::unique_ptr<std::istream> OpenInputFile(const std::string& path, std::uintmax_t limit = kLargestInputBytes);

// A stream buffer that gives `prefix` first, then what `rest` holds: the
// bytes a reader looked at to tell the kind of file, put back in front of a
// stream that cannot seek (standard input).
class PrefixedBuffer : public std::streambuf {
 public:
  PrefixedBuffer(std::string prefix, std::streambuf* rest);

 protected:
  int_type underflow() override;

 private:
  std::string prefix_;
  std::streambuf* rest_;
  bool prefix_done_ = false;
  char block_[1 << 16];
};

// The text of a UTF-16 stream as UTF-8: a byte order mark at its start is
// dropped, a code unit that pairs with none becomes U+FFFD, and so does a
// last odd byte.
class Utf16Buffer : public std::streambuf {
 public:
  Utf16Buffer(std::streambuf* source, bool big_endian) : source_(source), big_endian_(big_endian) {}

 protected:
  int_type underflow() override;

 private:
  int Unit();  // the next code unit, or -1 at the end
  std::streambuf* source_;
  bool big_endian_;
  bool started_ = false;
  int pending_ = -1;  // a unit read ahead that turned out to pair with none
  char block_[4096];
};

// UTF-16 told by its byte order mark, or by ASCII text with a NUL byte
// beside each character: nothing, or whether it is big-endian.
std::optional<bool> Utf16BigEndian(std::string_view start);

// Reads `in` up to `limit` bytes; DriveError naming `name` when it holds
// more or cannot be read.
std::string ReadWithin(std::istream& in, const std::string& name, std::uintmax_t limit);

// The lines of a stream, one at a time, so that a long log is read in
// memory for one line rather than for the whole file. Counts the bytes
// against `limit` (DriveError naming `name` past it) and keeps at most
// kLongestLine bytes of a line.
class LineReader {
 public:
  static constexpr std::size_t kLongestLine = 64 * 1024;
  LineReader(std::istream& in, std::string name, std::uintmax_t limit = kLargestInputBytes)
      : in_(in), name_(std::move(name)), limit_(limit) {}
  // The next line without its line end into `line`; false at the end. A
  // line ends at LF, CR LF, CR CR LF or a lone CR.
  bool Next(std::string& line);
  int number() const { return number_; }        // of the line read last, from 1
  bool unterminated() const { return unterminated_; }  // it ends the input without a '\n'
  bool too_long() const { return too_long_; }          // it was cut at kLongestLine bytes
  std::size_t ending_bytes() const { return ending_bytes_; }  // of its line end: 0 to 3 or more

 private:
  void CountByte();  // one more byte read, against the limit

  std::istream& in_;
  std::string name_;
  std::uintmax_t limit_;
  std::uintmax_t read_ = 0;
  int number_ = 0;
  bool unterminated_ = false, too_long_ = false;
  std::size_t ending_bytes_ = 0;
};

}  // namespace trezik::drive
