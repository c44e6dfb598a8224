// The simulator's GPX reader on any bytes (with tests/fuzz/gpx.dict for the
// elements and attributes it looks for). A DriveError is a refused file;
// anything else thrown is a crash. Every drive read must hold what a drive
// holds (drive_checks.h) and be GPX.
#include <cstddef>
#include <cstdint>
#include <string>

#include "drive_checks.h"
#include "tools/tracks/gpx_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trezik;
  const std::string content(reinterpret_cast<const char*>(data), size);
  try {
    const drive::Drive drive = drive::ReadGpx("fuzz.gpx", content);
    fuzz::CheckDrive(drive, content);
    fuzz::Expect(drive.format.rfind("GPX", 0) == 0, "a GPX drive whose format is " + drive.format);
  } catch (const drive::DriveError&) {
  }
  return 0;
}
