#include "state/state_file.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/convert.h"
#include "state/form1.h"
#include "core/item_reader.h"

namespace trezik {
namespace {

// Tries of a read that fails for another reason than a missing file (a
// virus scanner or a backup holding the file open), and the wait between.
constexpr int kReadTries = 5;
constexpr std::uint32_t kReadRetryMs = 125;

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The text a meter is saved as: a number in the user's format gets "." as
// its decimal mark, so that it reads back as one value; any other text is
// saved as it is, but with every control character (a CR or LF that came in a
// host reply, say), comma and double quote made a blank, so the file keeps
// exactly two items: a comma would end the item early and a leading quote
// would run it on into the work meter's line.
std::string MeterTextForFile(const Form1& form, const std::string& meter) {
  std::string text = meter;
  const char mark = form.decimal_mark();
  if (mark != '.') {
    try {
      form.Number(meter);
      std::replace(text.begin(), text.end(), mark, '.');
    } catch (const Error&) {
    }
  }
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == ',' || c == '"') c = ' ';
  }
  return text;
}

std::string StateFilePath(const Form1& form) { return form.trezikdir + kTripStateFileName; }

std::string StateFileContent(const Form1& form) {
  return MeterTextForFile(form, form.trip_total) + "\r\n" +
         MeterTextForFile(form, form.workmeter) + "\r\n";
}

// Writes a file whole: a temporary file in the same folder, flushed, then
// renamed over the old one, so a failure leaves the old file as it was. The
// temporary file is created afresh, so one left behind by a failed clean-up
// does not stop the next save.
void WriteWhole(Platform& platform, const std::string& path, const std::string& content) {
  const std::string temporary = path + ".new";
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

// Saves the meters. A state file that did not read as numbers is first kept
// as "tripmeter.ini.bad"; if that copy cannot be made, the file is not
// replaced either.
void WriteStateFile(Form1& form) {
  Platform& platform = form.platform();
  Form1::StateFileStatus& status = form.state_file;
  if (status.unreadable_content) {
    WriteWhole(platform, form.trezikdir + kUnreadableStateFileName, *status.unreadable_content);
    status.unreadable_content.reset();
  }
  const std::string content = StateFileContent(form);
  WriteWhole(platform, StateFilePath(form), content);
  status.saved_content = content;
  status.seconds_since_save = 0;
}

// A value of the file: a number with "." or, failing that, 0. Tells through
// `clean` whether it was a number.
std::string ReadMeter(const Form1& form, ItemReader& reader, bool& clean) {
  const std::optional<double> value = ParseFileNumber(reader.Next());
  if (!value) clean = false;
  return form.Text(value.value_or(0.0));
}

// The file's content, tried again while it exists but cannot be read.
// Nothing when it does not exist; throws the last error when every try failed.
std::optional<std::string> ReadStateFile(Form1& form) {
  for (int attempt = 1;; ++attempt) {
    try {
      return form.platform().ReadFile(StateFilePath(form), kSettingsReadLimit);
    } catch (const Error& error) {
      if (error.kind() == ErrorKind::kFileNotFound || error.kind() == ErrorKind::kPathNotFound) {
        return std::nullopt;
      }
      if (attempt == kReadTries) throw;
    }
    form.platform().Sleep(kReadRetryMs);
  }
}

}  // namespace

void Form1::UpdateINI() { WriteStateFile(*this); }

void LoadTripState(Form1& form) {
  Form1::StateFileStatus& status = form.state_file;
  std::optional<std::string> content;
  try {
    content = ReadStateFile(form);
  } catch (const Error&) {
    // Unreadable: the meters are not the file's, so unless an earlier start
    // loaded them the automatic saves leave the file alone.
    return;
  }
  status.loaded = true;
  if (!content) {
    form.trip_total = "0";
    form.workmeter = "0";
    try {
      WriteStateFile(form);
    } catch (const Error&) {
    }
    return;
  }
  status.saved_content = *content;
  std::string text = *content;
  // An editor may have put a byte-order mark in front of the first meter.
  if (text.rfind(kUtf8ByteOrderMark, 0) == 0) text.erase(0, kUtf8ByteOrderMark.size());
  ItemReader reader(std::move(text));
  bool clean = true;
  try {
    form.trip_total = ReadMeter(form, reader, clean);
    form.workmeter = ReadMeter(form, reader, clean);
  } catch (const Error&) {
    clean = false;
  }
  if (!clean && !content->empty()) status.unreadable_content = *content;
}

void AutoSaveMeters(Form1& form) noexcept {
  if (!form.state_file.loaded) return;
  try {
    if (StateFileContent(form) == form.state_file.saved_content) return;
    WriteStateFile(form);
  } catch (...) {
    // The old file stays whole; the next save tries again.
  }
}

void AutosaveTick(Form1& form) noexcept {
  Form1::StateFileStatus& status = form.state_file;
  if (status.autosave_seconds <= 0) return;
  if (status.seconds_since_save < status.autosave_seconds) ++status.seconds_since_save;
  if (status.seconds_since_save >= status.autosave_seconds) AutoSaveMeters(form);
}

}  // namespace trezik
