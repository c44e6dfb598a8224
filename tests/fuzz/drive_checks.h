// What every drive read from a file holds, whatever the file: checked by the
// NMEA and GPX fuzz targets on each drive a reader returns.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>

#include "oracles.h"
#include "tools/tracks/drive.h"

namespace trezik::fuzz {

// At least one fix; times finite and strictly rising; latitudes within
// +-90, longitudes within +-180; speeds finite and not negative; every fix
// names a line of the file. Lines end at LF, CR LF or a lone CR, as XML
// counts them (a reader that ends lines at LF alone names fewer).
inline void CheckDrive(const drive::Drive& drive, const std::string& content) {
  Expect(!drive.fixes.empty(), "a drive without fixes");
  int lines = 1;
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\n' || (content[i] == '\r' && (i + 1 == content.size() || content[i + 1] != '\n'))) {
      ++lines;
    }
  }
  for (std::size_t i = 0; i < drive.fixes.size(); ++i) {
    const drive::Fix& fix = drive.fixes[i];
    const std::string where = "fix " + std::to_string(i) + " (line " + std::to_string(fix.line) + ")";
    Expect(std::isfinite(fix.time), where + " has the time " + Exact(fix.time));
    Expect(i == 0 || fix.time > drive.fixes[i - 1].time, where + " does not come after the fix before it");
    Expect(std::fabs(fix.latitude) <= 90, where + " has the latitude " + Exact(fix.latitude));
    Expect(std::fabs(fix.longitude) <= 180, where + " has the longitude " + Exact(fix.longitude));
    Expect(!fix.speed_mps || (std::isfinite(*fix.speed_mps) && *fix.speed_mps >= 0),
           where + " has a speed that is negative or not finite");
    Expect(fix.line >= 1 && fix.line <= lines, where + " names no line of the file");
  }
}

}  // namespace trezik::fuzz
