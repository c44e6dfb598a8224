#include "state/state_file.h"

#include <algorithm>

#include "core/convert.h"
#include "state/form1.h"
#include "core/item_reader.h"

namespace trezik {
namespace {

// The text a meter is saved as: a number in the user's format gets "." as
// its decimal mark, so that it reads back as one value; any other text is
// saved unchanged.
std::string MeterTextForFile(const Form1& form, const std::string& meter) {
  const char mark = form.decimal_mark();
  if (mark == '.') return meter;
  try {
    form.Number(meter);
  } catch (const Error&) {
    return meter;
  }
  std::string text = meter;
  std::replace(text.begin(), text.end(), mark, '.');
  return text;
}

std::string StateFilePath(const Form1& form) { return form.trezikdir + kTripStateFileName; }

// Writes the file whole: a temporary file in the same folder, flushed, then
// renamed over the old one, so a failure leaves the old file as it was.
void WriteStateFile(Form1& form) {
  const std::string content = MeterTextForFile(form, form.trip_total) + "\r\n" +
                              MeterTextForFile(form, form.workmeter) + "\r\n";
  const std::string path = StateFilePath(form);
  const std::string temporary = path + ".new";
  Platform& platform = form.platform();
  try {
    platform.WriteNewFile(temporary, content);
    platform.ReplaceFileByRename(temporary, path);
  } catch (const Error&) {
    try {
      platform.RemoveFile(temporary);
    } catch (const Error&) {
    }
    throw;
  }
}

// A value of the file: a number with "." or, failing that, 0.
std::string ReadMeter(const Form1& form, ItemReader& reader) {
  return form.Text(ParseFileNumber(reader.Next()).value_or(0.0));
}

}  // namespace

void Form1::UpdateINI() { WriteStateFile(*this); }

void LoadTripState(Form1& form) {
  std::string content;
  try {
    content = form.platform().ReadFile(StateFilePath(form));
  } catch (const Error& error) {
    if (error.kind() != ErrorKind::kFileNotFound) return;
    form.trip_total = "0";
    form.workmeter = "0";
    try {
      WriteStateFile(form);
    } catch (const Error&) {
    }
    return;
  }
  ItemReader reader(std::move(content));
  try {
    form.trip_total = ReadMeter(form, reader);
    form.workmeter = ReadMeter(form, reader);
  } catch (const Error&) {
  }
}

}  // namespace trezik
