#include "tools/tracks/read_drive.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <istream>
#include <memory>

#include "tools/tracks/gpx_reader.h"
#include "tools/tracks/input_file.h"
#include "tools/tracks/nmea_fields.h"
#include "tools/tracks/nmea_reader.h"

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

// NMEA sentences with a checksum that holds among the bytes: a capture of a
// receiver's binary messages with NMEA text between them. Two make sure
// that random bytes did not form one.
bool HoldsNmeaSentences(const std::string& content) {
  int found = 0;
  for (std::size_t at = content.find('$'); at != std::string::npos && found < 2; at = content.find('$', at + 1)) {
    const std::size_t star = content.find('*', at);
    if (star == std::string::npos || star - at > 100 || star + 2 >= content.size()) continue;
    const std::string_view body(content.data() + at + 1, star - at - 1);
    const bool printable = std::all_of(body.begin(), body.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
    const std::size_t comma = body.find(',');
    if (!printable || comma == std::string_view::npos || !nmea::WellFormedAddress(body.substr(0, comma))) continue;
    const int high = nmea::HexValue(content[star + 1]), low = nmea::HexValue(content[star + 2]);
    if (high >= 0 && low >= 0 && high * 16 + low == NmeaChecksum(body)) ++found;
  }
  return found == 2;
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
  // UTF-16 text is read as UTF-8 through a decoder; the sample is then of
  // the text it gives.
  std::streambuf* source = in->rdbuf();
  std::unique_ptr<PrefixedBuffer> raw;
  std::unique_ptr<Utf16Buffer> utf16;
  const std::optional<bool> big_endian = Utf16BigEndian(sample);
  if (big_endian) {
    raw = std::make_unique<PrefixedBuffer>(std::move(sample), in->rdbuf());
    utf16 = std::make_unique<Utf16Buffer>(raw.get(), *big_endian);
    source = utf16.get();
    sample.assign(64 * 1024, '\0');
    sample.resize(static_cast<std::size_t>(source->sgetn(sample.data(), static_cast<std::streamsize>(sample.size()))));
  }
  std::size_t pos = 0;
  // Skip a UTF-8 byte order mark, blanks and the NUL bytes some receivers
  // write when they start.
  if (sample.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  auto blank = [](int c) { return c == '\0' || (c > 0 && std::strchr(" \t\r\n", c) != nullptr); };
  while (pos < sample.size() && blank(sample[pos])) ++pos;
  std::size_t control = 0, sampled = 0;
  const bool binary = LooksBinary(sample, control, sampled);
  if (binary && !HoldsNmeaSentences(sample)) {
    throw DriveError(path, 0,
                     "is not text at all (" + std::to_string(control) + " of its first " + std::to_string(sampled) +
                         " bytes are control characters, and no NMEA sentence is among them): neither a GPX track "
                         "nor an NMEA log");
  }
  // Blanks past the sample are kept too, so that line numbers hold.
  int first = pos < sample.size() ? static_cast<unsigned char>(sample[pos]) : std::char_traits<char>::eof();
  if (pos == sample.size()) {
    for (int c; (c = source->sbumpc()) != std::char_traits<char>::eof();) {
      sample.push_back(static_cast<char>(c));
      if (!blank(c)) {
        first = c;
        break;
      }
      if (sample.size() > kLargestInputBytes) break;
    }
  }
  if (first == std::char_traits<char>::eof()) throw DriveError(path, 0, "is empty: it holds nothing but blanks");
  PrefixedBuffer buffer(std::move(sample), source);
  std::istream replay(&buffer);
  Drive drive = first == '<' && !binary ? ReadGpx(path, replay, options, utf16 ? "UTF-8" : nullptr)
                                        : ReadNmea(path, replay, options, binary);
  if (big_endian) {
    drive.notes.push_back(std::string("the file is UTF-16 text (") + (*big_endian ? "big" : "little") +
                          "-endian), read as such");
  }
  return drive;
}

}  // namespace trezik::drive
