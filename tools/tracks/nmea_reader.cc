#include "tools/tracks/nmea_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <deque>
#include <sstream>
#include <vector>

#include "core/convert.h"
#include "tools/tracks/civil_time.h"
#include "tools/tracks/input_file.h"
#include "tools/tracks/nmea_fields.h"
#include "tools/tracks/nmea_fix_order.h"

namespace trezik::drive {

std::uint8_t NmeaChecksum(std::string_view body) {
  std::uint8_t sum = 0;
  for (char c : body) sum ^= static_cast<std::uint8_t>(c);
  return sum;
}

namespace {

using namespace nmea;

bool Printable(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

class NmeaReader {
 public:
  NmeaReader(const std::string& path, std::istream& in, ReadOptions options, bool between_binary)
      : path_(path),
        lines_in_(in, path),
        tally_(path, options),
        order_(tally_, options.strict),
        strict_(options.strict),
        between_binary_(between_binary) {}

  // Line by line: a long log takes memory for its fixes, not for its bytes.
  Drive Read() {
    std::string buffer;
    while (lines_in_.Next(buffer)) {
      const int line = lines_in_.number();
      std::string_view text(buffer);
      if (line == 1 && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a UTF-8 byte order mark
      // NUL bytes before a sentence: a receiver that restarts writes them.
      while (!between_binary_ && !text.empty() && text.front() == '\0') text.remove_prefix(1);
      const std::size_t first = text.find_first_not_of(" \t");
      if (first == std::string_view::npos) {
        if (in_binary_) binary_bytes_ += buffer.size() + lines_in_.ending_bytes();
        continue;
      }
      ++lines_;
      if (text[first] == '#' && Printable(text)) {
        ++comments_;  // gpsd writes comments so
        continue;
      }
      if (lines_in_.too_long()) {
        if (between_binary_) {
          Binary(buffer.size());
        } else {
          tally_.Skip(Damage::kGarbled, line,
                      "line longer than " + std::to_string(LineReader::kLongestLine) + " bytes: no NMEA sentence is");
        }
      } else {
        ReadLine(text, line, lines_in_.unterminated());
      }
      if (in_binary_) binary_bytes_ += lines_in_.ending_bytes();
    }
    return Finish();
  }

 private:
  // Bytes of binary receiver messages between the sentences.
  void Binary(std::size_t bytes) {
    if (!in_binary_) ++binary_stretches_;
    in_binary_ = true;
    binary_bytes_ += bytes;
  }

  // Every "$" starts a sentence: a receiver that restarts or loses bytes
  // leaves a sentence unfinished and goes on with the next in the same line.
  // Between binary messages, whatever is no sentence is a part of them.
  void ReadLine(std::string_view text, int line, bool unterminated) {
    bool skipped = false;  // a line is counted once, under the first reason it gives
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t next = text.find('$', at + 1);
      const std::string_view piece = text.substr(at, next == std::string_view::npos ? next : next - at);
      at = next == std::string_view::npos ? text.size() : next;
      const bool starts = piece.front() == '$' || piece.front() == '!';
      if (between_binary_ && (!starts || !Printable(piece))) {
        Binary(piece.size());
        continue;
      }
      try {
        if (!starts) {
          if (next != std::string_view::npos && piece.find_first_not_of(" \t") == std::string_view::npos) {
            continue;  // blanks before the sentence
          }
          Fail(Damage::kGarbled, "not an NMEA sentence: it does not start with '$'");
        }
        ++sentences_;
        if (next != std::string_view::npos) {
          Fail(Damage::kCutOff, "sentence cut off: the next one starts in the same line");
        }
        ReadSentence(piece, line, unterminated);
        in_binary_ = false;
      } catch (const Fault& fault) {
        if (between_binary_ && (fault.damage == Damage::kGarbled || fault.damage == Damage::kCutOff)) {
          Binary(piece.size());  // a '$' among the binary bytes
        } else {
          in_binary_ = false;
          if (!skipped) tally_.Skip(fault.damage, line, fault.what);
          skipped = true;
        }
      }
    }
  }

  // `unterminated`: the last line of a file that does not end with a line
  // end, where a missing checksum means that the file was cut off.
  void ReadSentence(std::string_view text, int line, bool unterminated) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto byte = static_cast<unsigned char>(text[i]);
      if (byte < 0x20 || byte > 0x7E) {
        Fail(Damage::kGarbled, "byte 0x" + Hex(byte) + " in column " + std::to_string(i + 1) +
                                   ": NMEA sentences hold printable ASCII only");
      }
    }
    // The checksum is optional for most sentences and many loggers leave it
    // out: such a sentence is read as it stands and counted. One that has a
    // checksum must match it.
    const std::size_t star = text.rfind('*');
    std::string_view body;
    if (star == std::string_view::npos) {
      if (unterminated && checksummed_ > 0) Fail(Damage::kCutOff, "the file ends inside a sentence, before its checksum");
      if (strict_) Fail(Damage::kNoChecksum, "sentence without a checksum ('*' and two hex digits)");
      body = text.substr(1);
    } else {
      body = text.substr(1, star - 1);
      const std::string_view given = text.substr(star + 1);
      if (given.size() != 2 || HexValue(given[0]) < 0 || HexValue(given[1]) < 0) {
        if (unterminated && given.size() < 2 && (given.empty() || HexValue(given[0]) >= 0)) {
          Fail(Damage::kCutOff, "the file ends inside the checksum of a sentence");
        }
        Fail(Damage::kBadChecksum, "checksum field '" + std::string(given) + "' is not two hex digits");
      }
      const int expected = HexValue(given[0]) * 16 + HexValue(given[1]);
      const int actual = NmeaChecksum(body);
      if (expected != actual) {
        Fail(Damage::kBadChecksum,
             "checksum mismatch: the sentence says " + Hex(expected) + ", its bytes give " + Hex(actual));
      }
      ++checksummed_;
    }
    const std::vector<std::string_view> fields = SplitFields(body);
    const std::string_view address = fields[0];
    if (!WellFormedAddress(address)) {
      Fail(Damage::kGarbled, "address '" + std::string(address) + "' is neither a talker and a sentence type nor "
                                                                  "a proprietary one");
    }
    if (address[0] != 'P' && !KnownTalker(address.substr(0, 2))) {
      Fail(Damage::kUnknownTalker,
           "talker '" + std::string(address.substr(0, 2)) + "' of " + std::string(address) + " is no NMEA 0183 talker");
    }
    const std::string_view type = address.size() == 5 ? address.substr(2) : std::string_view();
    if (type == "RMC") {
      if (std::optional<SentenceFix> fix = ReadRmc(fields, line)) {
        order_.TakeFix(std::move(*fix), true);
      } else {
        ++void_rmc_;
      }
    } else if (type == "GGA") {
      if (std::optional<SentenceFix> fix = ReadGga(fields, line)) {
        order_.TakeFix(std::move(*fix), false);
      } else {
        ++no_fix_gga_;
      }
    } else if (type == "GLL") {
      if (std::optional<SentenceFix> fix = ReadGll(fields, line)) {
        order_.TakeFix(std::move(*fix), false);
      } else {
        ++no_fix_gll_;
      }
    } else if (type == "ZDA") {
      if (const std::optional<ZdaDate> zda = ReadZda(fields)) order_.TakeDate(zda->date, zda->seconds_of_day);
    }
    if (star == std::string_view::npos) ++unchecked_;
  }

  Drive Finish() {
    Drive drive;
    drive.path = path_;
    drive.format = "NMEA 0183";
    if (order_.empty()) {
      std::string what = sentences_ == 0 ? "neither a GPX track (it does not start with '<') nor an NMEA log (none "
                                           "of its " + std::to_string(lines_) + " lines starts with '$')"
                                         : "no usable fix is left: no RMC, GGA or GLL sentence with a valid fix";
      what += tally_.Refusal();
      throw DriveError(path_, 0, what);
    }
    if (void_rmc_ > 0) drive.notes.push_back(std::to_string(void_rmc_) + " RMC sentence(s) with status V (no fix) left out");
    if (no_fix_gga_ > 0) drive.notes.push_back(std::to_string(no_fix_gga_) + " GGA sentence(s) without a fix left out");
    if (no_fix_gll_ > 0) {
      drive.notes.push_back(std::to_string(no_fix_gll_) + " GLL sentence(s) with status V or without a time left out");
    }
    order_.Finish(drive);
    drive.unchecked_sentences = unchecked_;
    if (unchecked_ > 0) {
      drive.notes.push_back("without checksum: " + std::to_string(unchecked_) +
                            " sentence(s), read as they stand (the checksum is optional)");
    }
    if (comments_ > 0) {
      drive.notes.push_back(std::to_string(comments_) + " comment line(s) starting with '#' (as gpsd writes) ignored");
    }
    if (binary_bytes_ > 0) {
      drive.notes.push_back("skipped " + std::to_string(binary_bytes_) + " bytes of binary receiver messages (u-blox "
                            "UBX, Quectel and the like) in " + std::to_string(binary_stretches_) +
                            " stretch(es) between the NMEA sentences; the simulator reads the NMEA text only");
    }
    FinishDrive(drive, tally_, "line");
    return drive;
  }

  const std::string& path_;
  LineReader lines_in_;
  DamageTally tally_;
  FixOrder order_;
  bool strict_ = false;
  bool between_binary_ = false;  // the log holds binary messages between its sentences
  std::size_t lines_ = 0;      // lines that are not blank
  std::size_t sentences_ = 0;  // pieces of lines that start with '$' or '!'
  std::size_t void_rmc_ = 0;
  std::size_t no_fix_gga_ = 0;
  std::size_t no_fix_gll_ = 0;
  std::size_t checksummed_ = 0;  // sentences read with a matching checksum
  std::size_t unchecked_ = 0;    // sentences read without one
  std::size_t comments_ = 0;     // lines starting with '#'
  bool in_binary_ = false;       // binary bytes since the last sentence
  std::size_t binary_bytes_ = 0, binary_stretches_ = 0;
};

}  // namespace

Drive ReadNmea(const std::string& path, std::istream& in, ReadOptions options, bool between_binary) {
  return NmeaReader(path, in, options, between_binary).Read();
}

Drive ReadNmea(const std::string& path, const std::string& content, ReadOptions options, bool between_binary) {
  std::istringstream in(content);
  return ReadNmea(path, in, options, between_binary);
}

}  // namespace trezik::drive
