// Damaged copies of the recorded drives, and files that are no drive at all,
// through ReadDrive: what is kept and skipped, or the one-line refusal. The
// counts and line numbers were worked out with grep on the tracks, and the
// fix counts come from ../shared/tracks/SOURCES.md.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "drive_test_support.h"
#include "tools/tracks/drive.h"
#include "tools/tracks/input_file.h"
#include "tools/tracks/nmea_reader.h"
#include "tools/tracks/read_drive.h"

namespace trezik::drive {
namespace {

constexpr char kRegensburg[] = "20100411_Geko_Regensburg.txt";  // 774 RMC fixes, CRLF
constexpr char kMoscow[] = "Gpx-full-sample.gpx";               // 2747 points, one repeated time
constexpr char kDelft[] = "sbn-v13.gpx";                        // 3453 points, 89 without a fix

using Change = std::function<std::string(std::string)>;

std::size_t LineStart(const std::string& content, int number) {
  std::size_t start = 0;
  for (int line = 1; line < number; ++line) start = content.find('\n', start) + 1;
  return start;
}

// The content with line `number` (from 1, without its line end) changed.
std::string EditLine(const std::string& content, int number, const Change& change) {
  const std::size_t start = LineStart(content, number);
  std::size_t end = content.find('\n', start);
  if (end == std::string::npos) end = content.size();
  if (end > start && content[end - 1] == '\r') --end;
  return content.substr(0, start) + change(content.substr(start, end - start)) + content.substr(end);
}

// The content with its `index`-th <trkpt> (from 0) changed, up to its end tag.
std::string EditPoint(const std::string& content, int index, const Change& change) {
  std::size_t start = content.find("<trkpt");
  for (int i = 0; i < index; ++i) start = content.find("<trkpt", start + 1);
  const std::size_t end = content.find("</trkpt>", start);
  return content.substr(0, start) + change(content.substr(start, end - start)) + content.substr(end);
}

// Line `number` cut after `keep` bytes, and the next line joined to it.
std::string CutIntoNext(const std::string& content, int number, std::size_t keep) {
  const std::size_t start = LineStart(content, number);
  return content.substr(0, start + keep) + content.substr(content.find('\n', start) + 1);
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The attribute or element value after `key` up to `stop`, replaced.
std::string SetValue(std::string text, const std::string& key, char stop, const std::string& value) {
  const std::size_t from = text.find(key) + key.size();
  return text.replace(from, text.find(stop, from) - from, value);
}

std::string FlipChecksum(std::string line) {
  line.back() = line.back() == '0' ? '1' : '0';
  return line;
}
std::string DropChecksum(const std::string& line) { return line.substr(0, line.rfind('*')); }
// The sentence from another talker, with its checksum set right.
std::string Retalk(const std::string& line, const std::string& talker) {
  const std::string body = talker + line.substr(3, line.rfind('*') - 3);
  char sum[4];
  std::snprintf(sum, sizeof sum, "%02X", NmeaChecksum(body));
  return "$" + body + "*" + sum;
}

// Bytes with no pattern: a 64-bit linear congruential generator's top byte.
std::string Binary(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint64_t state = 0x2545F4914F6CDD1DULL;
  for (char& byte : bytes) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    byte = static_cast<char>(state >> 56);
  }
  return bytes;
}

struct DamagedInput {
  const char* name;
  const char* track = nullptr;  // the recorded drive damaged; none: `damage` gets ""
  Change damage = nullptr;
  bool folder = false;  // the path is a folder
  bool fifo = false;    // the path is a named pipe
  const char* device = nullptr;  // read this path instead
  std::uintmax_t grow_to = 0;    // the file made this long (a hole) after it is written
  bool strict = false;
  // Read: the fixes kept, the lines skipped by kind (nothing else), and the
  // first line of the first kind listed.
  std::size_t kept = 0;
  std::vector<std::pair<Damage, std::size_t>> skipped = {};
  int first_skipped_line = 0;
  std::size_t unchecked = 0;  // sentences read without a checksum
  // Refused: words of the one-line message.
  const char* refused = nullptr;
};

void PrintTo(const DamagedInput& input, std::ostream* out) { *out << input.name; }

class DamagedInputs : public ::testing::TestWithParam<DamagedInput> {};

TEST_P(DamagedInputs, AreSkippedAndCountedOrRefused) {
  const DamagedInput& input = GetParam();
  std::string original;
  if (input.track != nullptr) {
    TREZIK_TRACK_OR_SKIP(track, input.track);
    original = testing::ReadText(track);
  }
  testing::ScratchFolder scratch;
  std::string path = scratch.Path("drive");
  if (input.folder) {
    std::filesystem::create_directories(path);
  } else if (input.fifo) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  } else if (input.device != nullptr) {
    path = input.device;
  } else {
    scratch.Write("drive", input.damage(original));
    if (input.grow_to > 0) std::filesystem::resize_file(path, input.grow_to);
  }
  const ReadOptions options{.strict = input.strict};

  if (input.refused != nullptr) {
    try {
      ReadDrive(path, options);
      FAIL() << "read, not refused";
    } catch (const DriveError& error) {
      const std::string message = error.what();
      EXPECT_EQ(message.rfind(path + ":", 0), 0u) << message;
      EXPECT_EQ(message.find('\n'), std::string::npos) << message;
      EXPECT_NE(message.find(input.refused), std::string::npos) << message;
    }
    return;
  }
  const Drive drive = ReadDrive(path, options);
  EXPECT_EQ(drive.fixes.size(), input.kept);
  std::size_t expected = 0, counted = 0;
  for (const auto& [damage, count] : input.skipped) {
    EXPECT_EQ(drive.skipped_count(damage), count) << DamageText(damage);
    expected += count;
  }
  for (const Skipped& kind : drive.skipped) counted += kind.count;
  EXPECT_EQ(counted, expected) << "skipped for another reason as well";
  EXPECT_EQ(drive.unchecked_sentences, input.unchecked);
  for (const Skipped& kind : drive.skipped) {
    if (!input.skipped.empty() && kind.damage == input.skipped.front().first) {
      ASSERT_FALSE(kind.first_lines.empty());
      EXPECT_EQ(kind.first_lines.front(), input.first_skipped_line);
    }
  }
}

// Regensburg: the 101st and 201st RMC (lines 1306 and 2595, status A) and
// their GGA of the same second two lines below; the 50th GSV on line 219;
// the last RMC on line 9919.
const Change kTwoFixesDamaged = [](std::string log) {
  for (int line : {1306, 2595}) log = EditLine(log, line, FlipChecksum);
  for (int line : {1308, 2597}) log = EditLine(log, line, DropChecksum);
  return log;
};

INSTANTIATE_TEST_SUITE_P(
    Table, DamagedInputs,
    ::testing::Values(
        DamagedInput{.name = "BadAndMissingChecksums", .track = kRegensburg, .damage = kTwoFixesDamaged,
                     .kept = 774, .skipped = {{Damage::kBadChecksum, 2}}, .first_skipped_line = 1306,
                     .unchecked = 2},
        // A logger that writes no checksums at all: every sentence read.
        DamagedInput{.name = "NoChecksumsAtAll", .track = kRegensburg,
                     .damage = [](std::string log) {
                       std::string out;
                       for (std::size_t at = 0, end; (end = log.find("\r\n", at)) != std::string::npos; at = end + 2) {
                         out += DropChecksum(log.substr(at, end - at)) + "\r\n";
                       }
                       return out; },
                     .kept = 774, .unchecked = 9931},
        DamagedInput{.name = "StrictRefusesAMissingChecksum", .track = kRegensburg,
                     .damage = [](std::string log) { return EditLine(log, 1308, DropChecksum); },
                     .strict = true, .refused = ":1308: sentence without a checksum"},
        DamagedInput{.name = "StrictRefusesTheFirstBadChecksum", .track = kRegensburg, .damage = kTwoFixesDamaged,
                     .strict = true, .refused = ":1306: checksum mismatch"},
        DamagedInput{.name = "TruncatedLastLine", .track = kRegensburg,
                     .damage = [](std::string log) { return log.substr(0, log.rfind("$GPRMC") + 24); },
                     .kept = 773, .skipped = {{Damage::kCutOff, 1}}, .first_skipped_line = 9919},
        DamagedInput{.name = "SentenceCutOffByTheNext", .track = kRegensburg,
                     .damage = [](std::string log) { return CutIntoNext(log, 219, 30); },
                     .kept = 774, .skipped = {{Damage::kCutOff, 1}}, .first_skipped_line = 219},
        DamagedInput{.name = "UnknownTalkerLeavesItsSecondToTheGga", .track = kRegensburg,
                     .damage = [](std::string log) {
                       return EditLine(log, 1306, [](std::string line) { return Retalk(line, "ZZ"); }); },
                     .kept = 774, .skipped = {{Damage::kUnknownTalker, 1}}, .first_skipped_line = 1306},
        DamagedInput{.name = "GarbledLine", .track = kRegensburg,
                     .damage = [](std::string log) {
                       return EditLine(log, 219, [](std::string) { return std::string("\x01\x7f\xfe junk"); }); },
                     .kept = 774, .skipped = {{Damage::kGarbled, 1}}, .first_skipped_line = 219},
        DamagedInput{.name = "EveryChecksumBad", .track = kRegensburg,
                     .damage = [](std::string log) {
                       for (std::size_t end = log.find("\r\n"); end != std::string::npos; end = log.find("\r\n", end + 2)) {
                         log[end - 1] = log[end - 1] == '0' ? '1' : '0';
                       }
                       return log; },
                     .refused = "no usable fix is left: no RMC, GGA or GLL sentence with a valid fix (skipped: 9931 "
                                "with a bad checksum; the first at line 1: checksum mismatch: the sentence says"},
        DamagedInput{.name = "BinaryFile", .damage = [](std::string) { return Binary(4096); },
                     .refused = "is not text at all"},
        DamagedInput{.name = "EmptyFile", .damage = [](std::string) { return std::string(); },
                     .refused = ": is empty"},
        DamagedInput{.name = "Folder", .folder = true, .refused = ": is a folder, not a file"},
        DamagedInput{.name = "EndlessDevice", .device = "/dev/zero", .refused = "is not a regular file"},
        DamagedInput{.name = "EmptyDevice", .device = "/dev/null", .refused = "is not a regular file"},
        DamagedInput{.name = "Pipe", .fifo = true, .refused = "is not a regular file"},
        DamagedInput{.name = "LargerThanAGibibyte", .damage = [](std::string) { return std::string("$GP"); },
                     .grow_to = (std::uintmax_t{1} << 30) + 1,
                     .refused = "is 1073741825 bytes, larger than the 1 GiB the simulator reads"},
        DamagedInput{.name = "TextButNoDrive", .damage = [](std::string) { return std::string("lat,lon\n1,2\n"); },
                     .refused = "neither a GPX track"},
        DamagedInput{.name = "GpxWithoutPoints", .track = kMoscow,
                     .damage = [](std::string gpx) {
                       return gpx.erase(gpx.find("<trkpt"), gpx.rfind("</trkpt>") + 8 - gpx.find("<trkpt")); },
                     .refused = "no track points"},
        DamagedInput{.name = "GpxWithOnePoint", .track = kMoscow,
                     .damage = [](std::string gpx) {
                       const std::size_t second = gpx.find("<trkpt", gpx.find("<trkpt") + 1);
                       return gpx.erase(second, gpx.rfind("</trkpt>") + 8 - second); },
                     .refused = "only 1 usable fix is left; a drive needs at least two"},
        // Delft's 201st point, line 1794, has a fix; 89 others are left out.
        DamagedInput{.name = "LatitudeOutOfRange", .track = kDelft,
                     .damage = [](std::string gpx) {
                       return EditPoint(gpx, 200, [](std::string p) { return SetValue(p, "lat=\"", '"', "91.5"); }); },
                     .kept = 3453 - 89 - 1, .skipped = {{Damage::kBadField, 1}}, .first_skipped_line = 1794},
        // Moscow's 101st point is on line 905 at 04:02:21, the one before on
        // line 896 at 04:02:20.
        DamagedInput{.name = "LatitudeNaN", .track = kMoscow,
                     .damage = [](std::string gpx) {
                       return EditPoint(gpx, 100, [](std::string p) { return SetValue(p, "lat=\"", '"', "NaN"); }); },
                     .kept = 2747 - 1 - 1, .skipped = {{Damage::kBadField, 1}}, .first_skipped_line = 905},
        DamagedInput{.name = "TimeGoesBack", .track = kMoscow,
                     .damage = [](std::string gpx) {
                       return EditPoint(gpx, 100, [](std::string p) {
                         return Replace(p, "04:02:21Z", "04:01:21Z"); }); },
                     .kept = 2747 - 1 - 1, .skipped = {{Damage::kTimeGoesBack, 1}}, .first_skipped_line = 905},
        DamagedInput{.name = "StrictRefusesATimeGoingBack", .track = kMoscow,
                     .damage = [](std::string gpx) {
                       return EditPoint(gpx, 100, [](std::string p) {
                         return Replace(p, "04:02:21Z", "04:01:21Z"); }); },
                     .strict = true, .refused = ":905: time goes back 59.000 s from the fix of line 896"},
        // A repeated time is no damage: the second fix is left out, and noted.
        DamagedInput{.name = "TimeRepeated", .track = kMoscow,
                     .damage = [](std::string gpx) {
                       return EditPoint(gpx, 100, [](std::string p) {
                         return Replace(p, "04:02:21Z", "04:02:20Z"); }); },
                     .kept = 2747 - 1 - 1}),
    [](const auto& info) { return std::string(info.param.name); });

// "-" reads standard input as a stream, with the checks a file gets: the
// same fixes as the file itself gives, at the same lines even behind more
// blank lines than the 64 KiB looked at first; no text, no drive, no read
// past the bound.
TEST(DamagedInput, StandardInputIsReadAsAStreamWithTheSameChecks) {
  TREZIK_TRACK_OR_SKIP(track, kRegensburg);
  const std::string log = testing::ReadText(track);
  const Drive from_file = ReadDrive(track);
  struct Case {
    std::string content;
    int line_offset;
    const char* refused;
  };
  const Case cases[] = {
      {log, 0, nullptr},
      {std::string(70000, '\n') + log, 70000, nullptr},
      {std::string(100000, '\0'), 0, "is not text at all"},
      {"", 0, "is empty"},
      {std::string(70000, ' '), 0, "nothing but blanks"},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.content);
    std::streambuf* const console = std::cin.rdbuf(in.rdbuf());
    try {
      const Drive drive = ReadDrive("-");
      EXPECT_EQ(c.refused, nullptr);
      EXPECT_EQ(drive.path, "standard input");
      ASSERT_EQ(drive.fixes.size(), from_file.fixes.size());
      EXPECT_EQ(drive.fixes.back().line, from_file.fixes.back().line + c.line_offset);
      EXPECT_EQ(drive.fixes.back().time, from_file.fixes.back().time);
    } catch (const DriveError& error) {
      ASSERT_NE(c.refused, nullptr) << error.what();
      EXPECT_EQ(std::string(error.what()).rfind("standard input: ", 0), 0u) << error.what();
      EXPECT_NE(std::string(error.what()).find(c.refused), std::string::npos) << error.what();
    }
    std::cin.rdbuf(console);
  }
  std::istringstream over(std::string(1001, '$'));
  EXPECT_THROW(ReadWithin(over, "standard input", 1000), DriveError);
}

// The summary prints the notes: a kind, its count and its first lines.
TEST(DamagedInput, NotesNameTheKindTheCountAndTheFirstLines) {
  TREZIK_TRACK_OR_SKIP(track, kRegensburg);
  testing::ScratchFolder scratch;
  std::string log = testing::ReadText(track);
  for (int line : {8, 9, 10, 11, 12, 13, 14}) log = EditLine(log, line, FlipChecksum);
  const Drive drive = ReadDrive(scratch.Write("drive", log));
  EXPECT_NE(std::find(drive.notes.begin(), drive.notes.end(),
                      "skipped 7 lines with a bad checksum (lines 8, 9, 10, 11, 12, ...)"),
            drive.notes.end());
}

}  // namespace
}  // namespace trezik::drive
