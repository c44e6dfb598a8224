#include "tools/simulator/read_drive.h"

#include <cstring>
#include <istream>
#include <memory>

#include "tools/simulator/gpx_reader.h"
#include "tools/simulator/input_file.h"
#include "tools/simulator/nmea_reader.h"

namespace trezik::drive {
namespace {

// Control characters among the first 64 KiB, other than the blanks and line
// ends that text holds. A few NUL bytes are normal in NMEA logs (receivers
// write them when they restart); random or packed binary data has about one
// control character in nine bytes, text almost none.
bool LooksBinary(const std::string& content, std::size_t& control, std::size_t& sampled) {
  sampled = std::min<std::size_t>(content.size(), 64 * 1024);
  control = 0;
  for (std::size_t i = 0; i < sampled; ++i) {
    const auto byte = static_cast<unsigned char>(content[i]);
    const bool blank = byte != 0 && std::strchr("\t\n\r\f\v", byte) != nullptr;
    if ((byte < 0x20 && !blank) || byte == 0x7F) ++control;
  }
  return control * 16 > sampled;
}

}  // namespace

std::string ReadWholeFile(const std::string& path) { return ReadInputFile(path); }

Drive ReadDrive(const std::string& given_path, ReadOptions options) {
  const std::string path = InputName(given_path);
  const std::unique_ptr<std::istream> in = OpenInputFile(given_path);
  // The first 64 KiB tell the kind of file; the reader then gets them back
  // in front of the rest (standard input cannot seek).
  std::string sample(64 * 1024, '\0');
  in->read(sample.data(), static_cast<std::streamsize>(sample.size()));
  sample.resize(static_cast<std::size_t>(in->gcount()));
  if (sample.empty()) throw DriveError(path, 0, "is empty: there is no drive in it");
  std::size_t pos = 0;
  // Skip a UTF-8 byte order mark, blanks and the NUL bytes some receivers
  // write when they start.
  if (sample.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  auto blank = [](int c) { return c == '\0' || (c > 0 && std::strchr(" \t\r\n", c) != nullptr); };
  while (pos < sample.size() && blank(sample[pos])) ++pos;
  std::size_t control = 0, sampled = 0;
  if (LooksBinary(sample, control, sampled)) {
    throw DriveError(path, 0,
                     "is not text at all (" + std::to_string(control) + " of its first " + std::to_string(sampled) +
                         " bytes are control characters): neither a GPX track nor an NMEA log");
  }
  // Blanks past the sample are kept too, so that line numbers hold.
  int first = pos < sample.size() ? static_cast<unsigned char>(sample[pos]) : std::char_traits<char>::eof();
  if (pos == sample.size()) {
    for (int c; (c = in->rdbuf()->sbumpc()) != std::char_traits<char>::eof();) {
      sample.push_back(static_cast<char>(c));
      if (!blank(c)) {
        first = c;
        break;
      }
      if (sample.size() > kLargestInputBytes) break;
    }
  }
  if (first == std::char_traits<char>::eof()) throw DriveError(path, 0, "is empty: it holds nothing but blanks");
  PrefixedBuffer buffer(std::move(sample), in->rdbuf());
  std::istream replay(&buffer);
  if (first == '<') return ReadGpx(path, replay, options);
  return ReadNmea(path, replay, options);
}

}  // namespace trezik::drive
