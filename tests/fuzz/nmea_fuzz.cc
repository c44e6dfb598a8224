// The simulator's NMEA reader. The input is read as a log as it stands
// (mostly refused: its checksums rarely hold) and once more with the
// checksum of every line that has a "*" set right, so that the fields behind
// the checksum are reached as well; that once more as a capture of binary
// messages, and the input decoded as UTF-16. A DriveError is a refused log;
// anything else thrown is a crash. Every drive read must hold what a drive holds
// (drive_checks.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <sstream>
#include <string>

#include "drive_checks.h"
#include "tools/tracks/input_file.h"
#include "tools/tracks/nmea_reader.h"

namespace trezik::fuzz {
namespace {

// The log with each line's two characters after its last "*" replaced by
// the checksum of the bytes between its "$" (or "!") and that "*".
std::string WithChecksumsSet(const std::string& content) {
  std::string fixed;
  std::size_t start = 0;
  while (start <= content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    const std::size_t begin = line.find_first_of("$!");
    const std::size_t star = line.rfind('*');
    if (begin != std::string::npos && star != std::string::npos && star > begin) {
      const std::string body = line.substr(begin + 1, star - begin - 1);
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", drive::NmeaChecksum(body));
      line = line.substr(0, star + 1) + hex + (star + 3 < line.size() ? line.substr(star + 3) : "");
    }
    fixed += line;
    if (end < content.size()) fixed += '\n';
    start = end + 1;
  }
  return fixed;
}

// `between_binary`: read as a capture of binary receiver messages with NMEA
// sentences between them, as ReadDrive reads a file that is not text.
void Read(const std::string& content, bool between_binary = false) {
  try {
    CheckDrive(drive::ReadNmea("fuzz.nmea", content, {}, between_binary), content);
  } catch (const drive::DriveError&) {
  }
}

// The content taken as UTF-16 (little-endian), decoded as ReadDrive decodes
// such a file.
std::string FromUtf16(const std::string& content) {
  std::istringstream in(content);
  drive::Utf16Buffer decoder(in.rdbuf(), false);
  return std::string(std::istreambuf_iterator<char>(&decoder), {});
}

}  // namespace
}  // namespace trezik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  trezik::fuzz::Read(content);
  trezik::fuzz::Read(trezik::fuzz::WithChecksumsSet(content));
  trezik::fuzz::Read(trezik::fuzz::WithChecksumsSet(content), true);
  trezik::fuzz::Read(trezik::fuzz::FromUtf16(content));
  return 0;
}
