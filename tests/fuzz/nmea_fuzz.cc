// The simulator's NMEA reader. The input is read as a log as it stands
// (mostly refused: its checksums rarely hold) and once more with the
// checksum of every line that has a "*" set right, so that the fields behind
// the checksum are reached as well. A DriveError is a refused log; anything
// else thrown is a crash. Every drive read must hold what a drive holds
// (drive_checks.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "drive_checks.h"
#include "tools/simulator/nmea_reader.h"

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

void Read(const std::string& content) {
  try {
    CheckDrive(drive::ReadNmea("fuzz.nmea", content), content);
  } catch (const drive::DriveError&) {
  }
}

}  // namespace
}  // namespace trezik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  trezik::fuzz::Read(content);
  trezik::fuzz::Read(trezik::fuzz::WithChecksumsSet(content));
  return 0;
}
