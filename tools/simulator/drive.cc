#include "tools/simulator/drive.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tools/simulator/gpx_reader.h"
#include "tools/simulator/nmea_reader.h"

namespace trezik::drive {

namespace {

std::string Describe(const std::string& path, int line, const std::string& what) {
  std::string text = path;
  if (line > 0) text += ":" + std::to_string(line);
  return text + ": " + what;
}

}  // namespace

DriveError::DriveError(const std::string& path, int line, const std::string& what)
    : std::runtime_error(Describe(path, line, what)), path_(path), line_(line), reason_(what) {}

bool Drive::has_speed() const {
  for (const Fix& fix : fixes) {
    if (!fix.speed_mps) return false;
  }
  return !fixes.empty();
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw DriveError(path, 0, std::string("cannot open: ") + std::strerror(errno));
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw DriveError(path, 0, "read error");
  return content.str();
}

void CheckTimeOrder(Drive& drive) {
  std::vector<Fix> kept;
  kept.reserve(drive.fixes.size());
  std::size_t repeated = 0;
  for (const Fix& fix : drive.fixes) {
    if (!kept.empty()) {
      if (fix.time == kept.back().time) {
        ++repeated;
        continue;
      }
      if (fix.time < kept.back().time) {
        throw DriveError(drive.path, fix.line,
                         "time goes back " + std::to_string(kept.back().time - fix.time) +
                             " s from the fix of line " + std::to_string(kept.back().line));
      }
    }
    kept.push_back(fix);
  }
  if (repeated > 0) {
    drive.notes.push_back(std::to_string(repeated) +
                          (repeated == 1 ? " fix repeats" : " fixes repeat") +
                          " the time of the one before and is left out");
  }
  drive.fixes = std::move(kept);
  if (drive.fixes.size() < 2) {
    throw DriveError(drive.path, 0,
                     "holds " + std::to_string(drive.fixes.size()) +
                         " usable fix(es); a drive needs at least two");
  }
}

Drive ReadDrive(const std::string& path) {
  const std::string content = ReadWholeFile(path);
  std::size_t pos = 0;
  // Skip a UTF-8 byte order mark, blanks and the NUL bytes some receivers
  // write when they start.
  if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  while (pos < content.size() &&
         (content[pos] == '\0' || std::strchr(" \t\r\n", content[pos]) != nullptr)) {
    ++pos;
  }
  if (pos < content.size() && content[pos] == '<') return ReadGpx(path, content);
  if (pos < content.size() && content[pos] == '$') return ReadNmea(path, content);
  throw DriveError(path, 0, "neither a GPX file (starting with '<') nor an NMEA log (starting with '$')");
}

}  // namespace trezik::drive
