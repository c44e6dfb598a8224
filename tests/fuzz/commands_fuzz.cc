// The command, label and keypad surface with fuzzed texts: ProcessCommand,
// ReturnLabel and ReturnIndicator on a started plug-in whose host reports a
// moving fix and a road. A trezik::Error is a refused step; any other
// exception escapes and is a crash.
//
// Input (FuzzedDataProvider): the last byte holds the options (bit 0 a
// decimal comma, bit 2 miles); then "trezik.ini", then one call per text,
// each text ended by a backslash and one other byte: "l" + name for a
// label, "i" + name for the indicator, "c" + text (or any other text as it
// stands) for a command.
//
// Properties: ProcessCommand gives 0, 1 or 2; exactly the calls that give 1
// (an accepted fill-up) append one record to "fuel.log" and send "exit" to
// the host; the indicator is "True" or "False"; a label is printable text.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/error.h"
#include "oracles.h"
#include "plugin_run.h"

namespace trezik::fuzz {
namespace {

constexpr int kMaxCalls = 64;

std::size_t FuelRecords() {
  const std::string log = ReadBytes(PluginFile("fuel.log"));
  return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
}

// A number as the host reports it, in the user's format.
std::string HostNumber(double value, char mark) {
  std::string text = std::to_string(value);
  std::replace(text.begin(), text.end(), '.', mark);
  return text;
}

// The host's fix moves on a little before every call, so that "updatetrip"
// measures a step.
void MoveFix(FuzzHost& host, int call, char mark) {
  host.answers["GPSLAT"] = "gpslat||" + HostNumber(51.5 + call * 0.0005, mark);
  host.answers["GPSLON"] = "gpslon||" + HostNumber(-0.12 - call * 0.0003, mark);
  host.answers["GPSSPD"] = "gpsspd||" + HostNumber(30 + call, mark);
}

void Command(PluginRun& run, const std::string& text) {
  const std::size_t records = FuelRecords();
  const int exits = run.host.exits;
  int result = -1;
  try {
    result = run.plugin->ProcessCommand(text);
  } catch (const Error&) {
  }
  Expect(result >= -1 && result <= 2, "ProcessCommand(" + Shown(text) + ") gives " + std::to_string(result));
  const bool accepted = result == 1;
  Expect(FuelRecords() == records + (accepted ? 1 : 0),
         "ProcessCommand(" + Shown(text) + ") gives " + std::to_string(result) + " and fuel.log went from " +
             std::to_string(records) + " to " + std::to_string(FuelRecords()) + " records");
  Expect(run.host.exits == exits + (accepted ? 1 : 0),
         "ProcessCommand(" + Shown(text) + ") gives " + std::to_string(result) + " and sent " +
             std::to_string(run.host.exits - exits) + " exit messages");
}

void Label(PluginRun& run, const std::string& name) {
  try {
    const std::string text = run.plugin->ReturnLabel(name, "");
    Expect(std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; }),
           "the label " + Shown(name) + " is " + Shown(text));
  } catch (const Error&) {
  }
}

void Indicator(PluginRun& run, const std::string& name) {
  const std::string state = run.plugin->ReturnIndicator(name);
  Expect(state == "True" || state == "False", "the indicator " + Shown(name) + " is " + Shown(state));
}

}  // namespace
}  // namespace trezik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trezik::fuzz;
  FuzzedDataProvider input(data, size);
  const auto options = input.ConsumeIntegral<std::uint8_t>();
  StartOptions start = StartOptions::FromBits(options);
  start.plugin_settings = input.ConsumeRandomLengthString(64);
  start.state_file = "123.4\r\n56.7\r\n";
  PluginRun run(start);
  run.host.answers["CUSTOMFDROAD"] = "customfdroad||Ring Road";
  for (int call = 0; call < kMaxCalls && input.remaining_bytes() > 0; ++call) {
    MoveFix(run.host, call, start.decimal_mark);
    const std::string text = input.ConsumeRandomLengthString(64);
    const char kind = text.empty() ? ' ' : text[0];
    if (kind == 'l') {
      Label(run, text.substr(1));
    } else if (kind == 'i') {
      Indicator(run, text.substr(1));
    } else {
      Command(run, kind == 'c' ? text.substr(1) : text);
    }
  }
  return 0;
}
