// The reply path under a fuzzed host. The plug-in is started, then the
// emulated clock is pumped so that Timer1 ticks; the host answers each
// request of a tick with the next fuzzed reply text, sent to the window
// titled "trezik" nested inside the plug-in's send. At the end "logtrip"
// asks for the road, which takes a fuzzed reply too.
//
// Input (FuzzedDataProvider): the last byte holds the options (bit 0 a
// decimal comma, bit 1 work recording on, bit 2 miles); the rest are reply
// texts, each ended by a backslash and one other byte: the road reply for
// "logtrip" first, then three for each tick.
//
// Properties, after every tick: the distance and the work meter stay finite
// numbers that never go down (a step is never negative), the work meter does
// not move while work recording is off, and maxspeed is a whole number from
// 0 to 32767 that never goes down. The trip record is one line of eight
// fields, the last the road as the host named it with every control byte
// (below 0x20, and 0x7F) a blank. Replies of a count past 64 KiB are
// released unread, and one from another thread is read before its sender is
// released (AddressSanitizer watches both).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/error.h"
#include "oracles.h"
#include "plugin_run.h"
#include "state/form1.h"

namespace trezik::fuzz {
namespace {

constexpr std::size_t kMaxReplies = 3 * 40;

struct Meters {
  double distance;
  double workmeter;
  std::string workmeter_text;
  double maxspeed;
};

double MeterNumber(const Form1& form, const std::string& text, const char* name) {
  double value = 0;
  try {
    value = form.Number(text);
  } catch (const Error&) {
    Broken(std::string(name) + " is no longer a number: " + Shown(text));
  }
  Expect(std::isfinite(value), std::string(name) + " is not finite: " + Shown(text));
  return value;
}

Meters Read(const Form1& form) {
  return {MeterNumber(form, form.distance, "distance"), MeterNumber(form, form.workmeter, "workmeter"),
          form.workmeter, form.maxspeed};
}

void CheckTick(const Meters& before, const Meters& after, bool work_recording) {
  Expect(after.distance >= before.distance,
         "distance went down from " + Exact(before.distance) + " to " + Exact(after.distance));
  Expect(after.workmeter >= before.workmeter,
         "workmeter went down from " + Exact(before.workmeter) + " to " + Exact(after.workmeter));
  if (!work_recording) {
    Expect(after.workmeter_text == before.workmeter_text,
           "workmeter moved while work recording is off: " + Shown(after.workmeter_text));
  }
  Expect(after.maxspeed == std::floor(after.maxspeed) && after.maxspeed >= 0 && after.maxspeed <= 32767,
         "maxspeed " + Exact(after.maxspeed) + " is not a whole number from 0 to 32767");
  Expect(after.maxspeed >= before.maxspeed,
         "maxspeed went down from " + Exact(before.maxspeed) + " to " + Exact(after.maxspeed));
}

// The fields of one CSV record: commas separate, a field in double quotes
// may hold commas, and "" inside it is one quote.
std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

void CheckTripRecord(PluginRun& run) {
  const fs::path log = PluginFile("tripmeter.log");
  bool failed = false;
  try {
    run.plugin->ProcessCommand("logtrip");
  } catch (const Error&) {
    failed = true;  // a meter that is not a number: nothing is written
  }
  if (failed) {
    Expect(!fs::exists(log), "a failed logtrip wrote to tripmeter.log");
    return;
  }
  const std::string record = ReadBytes(log);
  Expect(record.size() >= 2 && record.compare(record.size() - 2, 2, "\r\n") == 0 &&
             std::count(record.begin(), record.end(), '\n') == 1 &&
             std::count(record.begin(), record.end(), '\r') == 1,
         "the trip record is not one line ending in CR LF: " + Shown(record));
  const std::vector<std::string> fields = CsvFields(record.substr(0, record.size() - 2));
  Expect(fields.size() == 8, "the trip record has " + std::to_string(fields.size()) +
                                 " fields, not 8: " + Shown(record));
  std::string road = run.form().city;
  std::replace_if(
      road.begin(), road.end(),
      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == '\x7F'; }, ' ');
  Expect(fields[7] == road, "the trip record's road " + Shown(fields[7]) + " is not " + Shown(road));
}

}  // namespace
}  // namespace trezik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trezik;
  using namespace trezik::fuzz;
  FuzzedDataProvider input(data, size);
  const auto options = input.ConsumeIntegral<std::uint8_t>();
  StartOptions start = StartOptions::FromBits(options);
  PluginRun run(start);
  Form1& form = run.form();
  if ((options & 2) != 0) run.plugin->ProcessCommand("logwork");

  const std::string road_reply = input.ConsumeRandomLengthString(256);
  std::deque<std::string>& replies = run.host.fuzzed;
  while (input.remaining_bytes() > 0 && replies.size() < kMaxReplies) {
    replies.push_back(input.ConsumeRandomLengthString(256));
  }
  // One tick asks for three values; one more tick sees the host fall silent.
  const int ticks = static_cast<int>(replies.size() / 3) + 1;
  Meters before = Read(form);
  for (int tick = 1; tick <= ticks; ++tick) {
    run.platform.PumpMessagesFor(Form1::kTimer1IntervalMs);
    Expect(run.host.fix_requests == tick, "Timer1 did not tick once a second");
    const Meters after = Read(form);
    CheckTick(before, after, form.workbool);
    before = after;
  }
  run.host.fuzzed = {road_reply};
  CheckTripRecord(run);
  return 0;
}
