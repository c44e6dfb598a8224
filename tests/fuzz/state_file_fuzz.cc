// The trip state file "tripmeter.ini", read by LoadTripState and written by
// Form1::UpdateINI through the emulated file system in a scratch folder.
//
// Input (FuzzedDataProvider): the last byte holds the options (bit 0 a
// decimal comma, bit 1 no state file at all); then the texts the meters hold
// when they are saved, trip_total and workmeter, each ended by a backslash
// and one other byte; the rest is the content of the state file read first.
//
// Properties: after the first read each meter is a number, or keeps its
// start value when the file ran out before it; after a save, a meter that
// was a number reads back as that number rounded to 15 significant digits,
// whatever the other meter held; a copy kept as "tripmeter.ini.bad" holds
// the content that was read.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/error.h"
#include "core/item_reader.h"
#include "oracles.h"
#include "platform/emulation.h"
#include "plugin_run.h"
#include "state/form1.h"
#include "state/state_file.h"

namespace trezik::fuzz {
namespace {

constexpr char kUnread[] = "(not read)";

// Form1 as start-up leaves it just before LoadTripState: the plug-in's
// folder known, the meters at a start value that no file gives.
Form1& FreshForm() {
  Form1::Unload();
  Form1& form = Form1::Get();
  form.trezikdir = ToWindowsFolder((ScratchFolder() / "plugin").string());
  form.trip_total = kUnread;
  form.workmeter = kUnread;
  return form;
}

std::optional<double> NumberOf(const Form1& form, const std::string& text) {
  try {
    return form.Number(text);
  } catch (const Error&) {
    return std::nullopt;
  }
}

void CheckLoaded(const Form1& form, const std::string& content) {
  const bool total_read = form.trip_total != kUnread;
  const bool work_read = form.workmeter != kUnread;
  Expect(total_read || !work_read, "the work meter was read but not the total");
  for (const std::string* meter : {&form.trip_total, &form.workmeter}) {
    Expect(*meter == kUnread || NumberOf(form, *meter),
           "the state file " + Shown(content) + " gives the meter " + Shown(*meter));
  }
}

void CheckReadBack(const Form1& form, const char* name, const std::string& saved, const std::string& read,
                   const std::string& file) {
  const std::optional<double> number = NumberOf(form, saved);
  if (!number) return;
  const std::optional<double> back = NumberOf(form, read);
  Expect(back && *back == Round15(*number),
         std::string(name) + " " + Shown(saved) + " saved as " + Shown(file) + " reads back as " + Shown(read));
}

}  // namespace
}  // namespace trezik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trezik;
  using namespace trezik::fuzz;
  FuzzedDataProvider input(data, size);
  const auto options = input.ConsumeIntegral<std::uint8_t>();
  const std::string saved_total = input.ConsumeRandomLengthString(64);
  const std::string saved_work = input.ConsumeRandomLengthString(64);
  const std::string content = input.ConsumeRemainingBytesAsString();

  for (const auto& entry : fs::directory_iterator(ScratchFolder() / "plugin")) fs::remove(entry.path());
  const bool missing = (options & 2) != 0;
  if (!missing) WriteBytes(PluginFile(kTripStateFileName), content);
  EmulatedPlatform platform;
  platform.set_decimal_mark((options & 1) != 0 ? ',' : '.');
  ScopedPlatform use(platform);

  Form1* form = &FreshForm();
  LoadTripState(*form);
  CheckLoaded(*form, content);

  form->trip_total = saved_total;
  form->workmeter = saved_work;
  form->UpdateINI();
  const fs::path bad = PluginFile(kUnreadableStateFileName);
  if (fs::exists(bad)) {
    Expect(!missing && ReadBytes(bad) == content.substr(0, kSettingsReadLimit),
           "tripmeter.ini.bad does not hold the content that was read");
  }
  const std::string file = ReadBytes(PluginFile(kTripStateFileName));

  form = &FreshForm();
  LoadTripState(*form);
  CheckReadBack(*form, "trip_total", saved_total, form->trip_total, file);
  CheckReadBack(*form, "workmeter", saved_work, form->workmeter, file);
  Form1::Unload();
  return 0;
}
