// A soak: a car PC that is never switched off, simulated for seven days (or
// DAYS) through the Linux emulation with the host stand-in, the plug-in
// autosaving every 10 s (autosave=10) with the standstill filter on
// (minspeed=3), and a reply fuzzer that sends the plug-in's window an odd text
// every simulated minute: random bytes, huge and malformed numbers, CR and LF,
// runs of separators, requests and commands where replies belong.
//
// Each day the car stands in the yard (its fix wandering by a few metres, as
// a parked receiver's does), drives an hour in the morning and two in the
// evening round a ring road at 72 km/h; the driver logs a trip after each
// drive, fills up on the keypad at 18:25, resets the total at 18:30 and the
// trip at 19:00. The fuzzer rests from 18:00 to 19:00, so that at 19:00 every
// day the plug-in's texts hold what the same day's traffic put there.
//
// At 19:00 every day the heap in use is read: the bytes of every block held
// through operator new, as the allocator sizes it (malloc_usable_size); it
// must be the same on the last day as on the first. (glibc's mallinfo2 is
// printed beside it, or the sanitizer's own count under AddressSanitizer, but
// it does not decide: mallinfo2 counts the blocks its per-thread cache keeps
// for reuse as in use, and that cache fills with blocks of new sizes as odd
// replies of new lengths come; with GLIBC_TUNABLES=glibc.malloc.tcache_count=0
// it stays flat too.) Also checked: every trip record's distance, and
// that "tripmeter.ini" keeps up with the meters (autosave). Exit status 0
// when everything holds, 1 otherwise.
//   soak [DAYS]
#include <malloc.h>

#include <new>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "contract/log_record.h"
#include "contract/names.h"
#include "contract/settings.h"
#include "contract/vocabulary.h"
#include "core/convert.h"
#include "host/hosted_plugin.h"
#include "hostlink/protocol.h"
#include "platform/emulation.h"
#include "tools/common/atomic_file.h"

#if defined(__SANITIZE_ADDRESS__)
#define TREZIK_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TREZIK_SOAK_ASAN 1
#endif
#endif
#ifdef TREZIK_SOAK_ASAN
// From the sanitizer runtime (sanitizer/allocator_interface.h, which not
// every compiler installs).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

// The counting allocator: every operator new and delete of the program.
namespace {
long long live_bytes = 0;  // one thread
void* Allocate(std::size_t size, std::size_t alignment) {
  void* block = alignment > alignof(std::max_align_t)
                    ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                    : std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) live_bytes += static_cast<long long>(malloc_usable_size(block));
  return block;
}
void Release(void* block) noexcept {
  if (block == nullptr) return;
  live_bytes -= static_cast<long long>(malloc_usable_size(block));
  std::free(block);
}
}  // namespace

void* operator new(std::size_t size) {
  if (void* block = Allocate(size, 0)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  if (void* block = Allocate(size, static_cast<std::size_t>(alignment))) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment) { return operator new(size, alignment); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, std::align_val_t) noexcept { Release(block); }
void operator delete[](void* block, std::align_val_t) noexcept { Release(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { Release(block); }

namespace {

namespace fs = std::filesystem;
constexpr double kPi = 3.14159265358979323846;

// The allocator's own figure, for comparison.
std::size_t AllocatorFigure() {
#ifdef TREZIK_SOAK_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

const char* AllocatorFigureName() {
#ifdef TREZIK_SOAK_ASAN
  return "__sanitizer_get_current_allocated_bytes";
#else
  return "mallinfo2";
#endif
}

// Odd texts for the plug-in's window.
class ReplyFuzzer {
 public:
  // No text is longer than this; the values in them are shorter still.
  static constexpr std::size_t kLongest = 1024;
  explicit ReplyFuzzer(std::uint64_t seed) : random_(seed) {}

  // The longest text each reply name can carry, so that every buffer reaches
  // its working size before the heap is first read.
  static std::vector<std::string> Longest() {
    std::vector<std::string> texts;
    for (const char* name : kNames) {
      texts.push_back(std::string(name) + "||" + std::string(kLongest - std::string(name).size() - 2, '9'));
    }
    return texts;
  }

  std::string Next() {
    std::string text = Any();
    text.resize(std::min(text.size(), kLongest));
    return text;
  }
  std::uintptr_t DwData() { return Below(8) == 0 ? kDwData[Below(std::size(kDwData))] : 1; }

 private:
  std::string Any() {
    switch (Below(7)) {
      case 0: return Bytes(Below(kLongest + 1));
      case 1: return Name() + "||" + OddValue();
      case 2: return Name() + "||" + OddValue() + Separators() + OddValue();
      case 3: return Separators();
      case 4: return Name() + (Below(2) ? "\r\n||" : "||\r\n") + OddValue() + "\r\n";
      case 5: return kNotReplies[Below(std::size(kNotReplies))];
      default: return std::string(kNames[Below(std::size(kNames))]) + "||" + Bytes(Below(kLongest));
    }
  }

  static constexpr const char* kNames[] = {
      trezik::kLatitudeReply, trezik::kLongitudeReply, trezik::kSpeedReply, trezik::kRoadReply,
      trezik::kOldRoadReply,  trezik::kPathReply,      trezik::kTotalReply, trezik::kTotalReplyQuoted,
      trezik::kLatitudeName,  "TripMeter"};  // the last two: names in another letter case
  static constexpr const char* kOddNumbers[] = {
      "1e308", "-1e308", "1e309", "1.7976931348623157e308", "4.9e-324", "-0", "NaN", "inf", "-inf", "0x1p4",
      "1,5", "1.5.5", "  48.1  ", "+-1", "1e", ".", "", "48.1abc", "99999999999999999999999999999999", "1E+16",
      "-48.1234567 km/h", "\xe2\x82\xac 1", "12 mph", "1e-320"};
  static constexpr const char* kNotReplies[] = {
      trezik::request_text::Joined<trezik::kRequestPrefix, trezik::request_text::kId, trezik::request_text::kEnd,
                                   trezik::request_text::kLatitude>::text.data(),
      trezik::kPathRequest,
      trezik::kKeypadCloseCommand,
      "||",
      "||||||||",
      "\r\n",
      ";;;;",
      trezik::vocabulary::kAcceptKey.data(),
      trezik::kTotalReply};
  static constexpr std::uintptr_t kDwData[] = {0, 2, 0xFFFFFFFFu, 0x7FFFFFFF};

  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(random_() % n); }
  std::string Bytes(std::size_t n) {
    std::string text(n, '\0');
    for (char& c : text) c = static_cast<char>(random_() & 0xFF);
    return text;
  }
  std::string Name() {
    return Below(10) == 0 ? Bytes(Below(12)) : std::string(kNames[Below(std::size(kNames))]);
  }
  std::string OddValue() {
    switch (Below(4)) {
      case 0: return kOddNumbers[Below(std::size(kOddNumbers))];
      case 1: return std::string(1 + Below(300), static_cast<char>('0' + Below(10)));  // hundreds of digits
      case 2: return std::to_string(random_()) + "." + std::to_string(random_());
      default: return Bytes(Below(40));
    }
  }
  std::string Separators() {
    static constexpr std::string_view kPieces[] = {"||", "|", ";", "\r", "\n", ",", "=", std::string_view("\0", 1)};
    std::string text;
    for (std::size_t n = 1 + Below(20); n > 0; --n) text += kPieces[Below(std::size(kPieces))];
    return text;
  }

  std::mt19937_64 random_;
};

// Where the car is at a second of the day, and the speed the host reports.
struct Fix {
  std::string lat, lon, speed;
};

class Yard {
 public:
  explicit Yard(std::uint64_t seed) : random_(seed) {}
  // Driving 07:00-08:00 and 17:00-19:00 round a 2 km ring at 20 m/s; parked
  // at the ring's start otherwise, the fix within a few metres of it.
  bool Driving(int s) const { return (s >= 7 * 3600 && s < 8 * 3600) || (s >= 17 * 3600 && s < 19 * 3600); }
  void At(int s, Fix& fix) {
    constexpr double kRadius = 2000.0, kMetresPerDegree = 111200.0;
    const double east_scale = std::cos(48.0 * kPi / 180.0);
    double north = 0, east = 0;
    if (Driving(s)) {
      angle_ += 20.0 / kRadius;
      fix.speed = "72 km/h";
    } else {
      std::normal_distribution<double> jitter(0.0, 2.0);
      north = jitter(random_);
      east = jitter(random_);
      fix.speed = trezik::DoubleToText(static_cast<double>(random_() % 10) / 10.0, '.') + " km/h";
    }
    const double lat = 48.0 + (kRadius * std::sin(angle_) + north) / kMetresPerDegree;
    const double lon = 11.0 + (kRadius * (std::cos(angle_) - 1.0) + east) / (kMetresPerDegree * east_scale);
    fix.lat = trezik::DoubleToText(trezik::RoundHalfEven(lat, 7), '.');
    fix.lon = trezik::DoubleToText(trezik::RoundHalfEven(lon, 7), '.');
  }

 private:
  std::mt19937_64 random_;
  double angle_ = 0.0;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  const int days = argc > 1 ? std::atoi(argv[1]) : 7;
  if (days < 2) {
    std::fprintf(stderr, "usage: soak [DAYS]  (at least 2)\n");
    return 2;
  }
  const fs::path folder = trezik::tools::MakeTemporaryFolder("trezik-soak-");
  trezik::tools::MakeFolders((folder / "host").string());
  trezik::tools::MakeFolders((folder / "plugin").string());
  trezik::tools::ReplaceFileDurably((folder / "host" / trezik::kHostSettingsFileName).string(),
                                    trezik::SettingsWriter().Units(true).text());
  trezik::tools::ReplaceFileDurably((folder / "plugin" / trezik::kPluginSettingsFileName).string(),
                                    trezik::SettingsWriter()
                                        .Item(trezik::kAutosaveKey, "10")
                                        .Item(trezik::kMinSpeedKey, "3")
                                        .Item(trezik::kDecimalPlacesKey, "9")
                                        .text());
  std::printf("soak: %d simulated days, autosave=10, minspeed=3, an odd reply every minute\n", days);
  std::fflush(stdout);

  std::vector<long long> heap;
  heap.reserve(days);
  std::vector<std::string> faults;
  faults.reserve(64);
  long fuzzed = 0, fill_ups = 0;
  std::size_t allocator_figure = 0;
  {
    trezik::EmulatedPlatform platform;
    platform.SetLocalTime(2026, 3, 2, 0.0);
    platform.set_module_folder((folder / "plugin").string());
    trezik::host::HostedPlugin hosted(platform, trezik::ToWindowsFolder((folder / "host").string()), nullptr);
    trezik::host::Host& host = hosted.host();
    host.SetRoad("Ring Road");
    Yard yard(7);
    Fix fix;
    yard.At(0, fix);
    host.SetFix(fix.lat, fix.lon, fix.speed);
    hosted.Create();
    using trezik::vocabulary::Command;
    const std::string_view kLogTrip = trezik::vocabulary::NameOf(Command::kLogTrip);
    const std::string_view kResetTotal = trezik::vocabulary::NameOf(Command::kResetTotal);
    const std::string_view kResetTrip = trezik::vocabulary::NameOf(Command::kResetTrip);
    const std::string kTripTotal(trezik::vocabulary::NameOf(trezik::vocabulary::Label::kTripTotal));
    auto command = [&](std::string_view text) { return hosted.Command(std::string(text)).code.value_or(-1); };
    auto label = [&](const std::string& name) {
      try {
        return trezik::TextToDouble(hosted.plugin().ReturnLabel(name, ""), '.');
      } catch (const trezik::Error&) {
        return std::nan("");
      }
    };
    for (const std::string& text : ReplyFuzzer::Longest()) host.SendReply(text);
    // A total again, so that the first day's fill-up counts.
    host.SendReply(std::string(trezik::kTotalReply) + std::string(trezik::kFieldSeparator) + "0");

    for (int day = 0; day < days; ++day) {
      ReplyFuzzer fuzzer(1000 + static_cast<std::uint64_t>(day));
      for (int s = 0; s < 86400; ++s) {
        yard.At(s, fix);
        host.SetFix(fix.lat, fix.lon, fix.speed);
        platform.PumpMessagesFor(1000);  // the tick of second s; the clock now reads s + 1
        const int now = s + 1;
        if (now % 60 == 30 && (now < 18 * 3600 || now >= 19 * 3600)) {
          host.SendReply(fuzzer.Next(), fuzzer.DwData());
          ++fuzzed;
        }
        // A refused "logtrip" or fill-up is a fault unless an odd reply left
        // the total without a number.
        auto refused = [&](std::string_view what) {
          if (std::isnan(label(kTripTotal)) || faults.size() >= 60) return;
          faults.push_back("day " + std::to_string(day + 1) + ": " + std::string(what) + " refused with a total of " +
                           hosted.plugin().ReturnLabel(kTripTotal, ""));
        };
        if (now == 8 * 3600 && command(kLogTrip) != 2) refused(kLogTrip);
        if (now == 18 * 3600 + 25 * 60) {
          bool accepted = true;
          for (const std::string& key : trezik::vocabulary::FillUpKeys("40", "1.8")) {
            accepted = command(key) > 0 && accepted;
          }
          fill_ups += accepted;
          if (!accepted) refused("fill-up");
        }
        if (now == 18 * 3600 + 30 * 60) command(kResetTotal);
        if (now == 19 * 3600) {
          if (command(kLogTrip) != 2) refused(kLogTrip);
          command(kResetTrip);
          heap.push_back(live_bytes);
          allocator_figure = AllocatorFigure();
          // Autosave: the file is at most 10 s of driving (200 m) behind.
          const double total = label(kTripTotal);
          const std::string state = ReadAll(folder / "plugin" / trezik::kTripStateFileName);
          const double saved = std::strtod(state.c_str(), nullptr);
          if (!(std::fabs(total - saved) <= 0.21) && faults.size() < 60) {
            faults.push_back("day " + std::to_string(day + 1) + ": tripmeter.ini holds " + std::to_string(saved) +
                             " against a total of " + std::to_string(total));
          }
        }
      }
      std::printf("  day %d: heap in use at 19:00 %lld bytes (%s: %zu)\n", day + 1, heap.back(), AllocatorFigureName(),
                  allocator_figure);
      std::fflush(stdout);
    }
    hosted.Release();
  }

  // The trip records: at 08:00 the morning's hour (72 km since the last
  // evening's reset), at 19:00 the half hour since the reset at 18:30 (36
  // km), less the steps an odd "gpslat" or "gpslon" reply spoilt (one 20 m
  // step each at most). A morning record is missing where an odd
  // "tripmeter" reply left the total without a number: the plug-in refuses
  // "logtrip" then, as it refuses a fill-up, until the total is reset.
  std::ifstream log(folder / "plugin" / trezik::kTripLogFileName, std::ios::binary);
  int mornings = 0, evenings = 0;
  for (std::string line; std::getline(log, line);) {
    std::string_view record = line;
    if (!record.empty() && record.back() == '\r') record.remove_suffix(1);
    const std::optional<trezik::TripLogFields> fields = trezik::ReadTripRecord(record);
    const bool morning = fields && fields->time == "08:00:00";
    (morning ? mornings : evenings) += 1;
    const double trip = fields ? std::strtod(fields->trip.c_str(), nullptr) : -1;
    const double expected = morning ? 72.0 : 36.0;
    if (!(trip > expected * 0.97 && trip < expected * 1.01) && faults.size() < 60) {
      faults.push_back("trip record " + line + ": expected about " + std::to_string(expected) + " Km");
    }
  }
  if (evenings != days || mornings > days) {
    faults.push_back(std::to_string(mornings) + " morning and " + std::to_string(evenings) + " evening trip records in " +
                     std::to_string(days) + " days");
  }
  const std::string state = ReadAll(folder / "plugin" / trezik::kTripStateFileName);
  if (std::count(state.begin(), state.end(), '\n') != 2) faults.push_back("tripmeter.ini is not two lines: " + state);
  fs::remove_all(folder);

  const long long growth = heap.back() - heap.front();
  std::printf("soak: %ld odd replies; %ld of %d fill-ups and %d of %d morning trip records refused, an odd "
              "\"tripmeter\" reply having left the total without a number; heap growth from day 1 to day %d: "
              "%lld bytes (must be 0)\n",
              fuzzed, days - fill_ups, days, days - mornings, days, days, growth);
  for (const std::string& fault : faults) std::printf("  FAULT %s\n", fault.c_str());
  return growth == 0 && faults.empty() ? 0 : 1;
}
