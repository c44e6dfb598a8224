#include "state/state_file.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/arithmetic.h"
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
  const std::string temporary = path + kTemporaryFileSuffix;
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
  Platform& platform = CurrentPlatform();
  StateFileStatus& status = StateFileToWrite(form);
  if (status.unreadable_content) {
    WriteWhole(platform, form.trezikdir + kUnreadableStateFileName, *status.unreadable_content);
    status.unreadable_content.reset();
  }
  const std::string content = StateFileContent(form);
  WriteWhole(platform, StateFilePath(form), content);
  status.saved_content = content;
  status.meters_at_file = content;
  status.seconds_since_save = 0;
}

// The file's content, read up to `tries` times while it exists but cannot be
// read (a virus scanner or a backup holding it open). Nothing when it does
// not exist; throws the last error when every try failed.
std::optional<std::string> ReadStateFile(Form1& form, int tries) {
  for (int attempt = 1;; ++attempt) {
    try {
      return CurrentPlatform().ReadFile(StateFilePath(form), kSettingsReadLimit);
    } catch (const Error& error) {
      if (error.kind() == ErrorKind::kFileNotFound || error.kind() == ErrorKind::kPathNotFound) {
        return std::nullopt;
      }
      if (attempt >= tries) throw;
    }
    CurrentPlatform().Sleep(kReadRetryMs);
  }
}

// The two values of a file by the reading rule: a number with "." or, when
// the value is no number, 0; nothing for a value the file ran out before.
// Tells through `clean` whether both were numbers.
struct FileMeters {
  std::optional<double> total;
  std::optional<double> work;
  bool clean = true;
};

FileMeters ReadMeters(std::string text) {
  // An editor may have put a byte-order mark in front of the first meter.
  if (text.rfind(kUtf8ByteOrderMark, 0) == 0) text.erase(0, kUtf8ByteOrderMark.size());
  ItemReader reader(std::move(text));
  FileMeters meters;
  auto next = [&](std::optional<double>& value) {
    const std::optional<double> number = ParseFileNumber(reader.Next());
    if (!number) meters.clean = false;
    value = number.value_or(0.0);
  };
  try {
    next(meters.total);
    next(meters.work);
  } catch (const Error&) {
    meters.clean = false;
  }
  return meters;
}

bool HoldsTwoNumbers(const std::string& content) {
  const FileMeters meters = ReadMeters(content);
  return meters.clean && meters.total && meters.work;
}

// One meter from the file. Normally the file's value replaces the meter.
// When the file could only be read late, the meter holds what this session
// counted from 0, and the driver keeps both: the file's value plus the
// session's, unless the session set the meter anew (a reset, a fill-up), in
// which case the session's value stands.
void TakeMeter(const Form1& form, std::string& meter, std::optional<double> file_value,
               bool late, bool set_by_session) {
  if (!file_value) return;  // the file ran out first: the meter keeps its text
  if (!late) {
    meter = form.Text(*file_value);
    return;
  }
  if (set_by_session) return;
  try {
    meter = form.Text(CheckedAdd(*file_value, form.Number(meter)));
  } catch (const Error&) {
    meter = form.Text(*file_value);
  }
}

// The meters of the file's content are now the plug-in's.
void TakeContent(Form1& form, const std::string& content) {
  StateFileStatus& status = StateFileToWrite(form);
  const bool late = status.load_pending;
  const FileMeters meters = ReadMeters(content);
  TakeMeter(form, form.trip_total, meters.total, late, status.total_set);
  TakeMeter(form, form.workmeter, meters.work, late, status.work_set);
  if (!meters.clean && !content.empty()) status.unreadable_content = content;
  status.saved_content = content;
  // A late read adds the session's count: those meters are not the file's.
  status.meters_at_file = late ? std::string() : StateFileContent(form);
  status.loaded = true;
  status.load_pending = false;
}

// A start with no state file: a complete save that a power cut caught
// between the removal of the old file and the renaming of the new one (the
// rename of FAT and exFAT cards is no single step) is taken as the file;
// otherwise the meters start from 0 in a new file. A lone temporary file
// that is not two numbers is not the driver's save and stays as it is.
void StartWithoutFile(Form1& form) {
  Platform& platform = CurrentPlatform();
  const std::string path = StateFilePath(form);
  const std::string fresh = path + kTemporaryFileSuffix;
  std::optional<std::string> lone;
  try {
    if (platform.FileSize(fresh)) lone = platform.ReadFile(fresh, kSettingsReadLimit);
  } catch (const Error&) {
  }
  if (lone && HoldsTwoNumbers(*lone)) {
    try {
      platform.ReplaceFileByRename(fresh, path);
    } catch (const Error&) {
      // The meters are read all the same; the next save puts the file in place.
    }
    TakeContent(form, *lone);
    return;
  }
  StateFileToWrite(form).loaded = true;
  form.trip_total = "0";
  form.workmeter = "0";
  StateFileToWrite(form).meters_at_file = StateFileContent(form);
  try {
    if (lone) {
      const std::string content = StateFileContent(form);
      platform.WriteNewFile(path, content);
      StateFileToWrite(form).saved_content = content;
    } else {
      WriteStateFile(form);
    }
  } catch (const Error&) {
  }
}

// While start-up could not read the file, every save reads it first, once.
// Throws the read error when it still cannot be read.
void LoadLateMeters(Form1& form) {
  const std::optional<std::string> content = ReadStateFile(form, 1);
  if (content) {
    TakeContent(form, *content);
    return;
  }
  // The file is gone: nothing to add, the session's meters stand.
  StateFileStatus& status = StateFileToWrite(form);
  status.loaded = true;
  status.load_pending = false;
}

}  // namespace

StateFileStatus& StateFileToWrite(Form1& form) { return form.state_file_; }

void WriteFileWhole(const std::string& path, const std::string& content) {
  WriteWhole(CurrentPlatform(), path, content);
}

void Form1::UpdateINI() {
  // Over a file that holds the driver's meters and cannot be read, an
  // explicit save fails as it would over any file it cannot write.
  if (state_file_.load_pending) LoadLateMeters(*this);
  WriteStateFile(*this);
}

void LoadTripState(Form1& form) {
  StateFileStatus& status = StateFileToWrite(form);
  std::optional<std::string> content;
  try {
    content = ReadStateFile(form, kReadTries);
  } catch (const Error&) {
    // Unreadable: unless an earlier start loaded them, the meters are not the
    // file's; they count this session from their start values, and every
    // save first tries the file again.
    if (!status.loaded) status.load_pending = true;
    return;
  }
  if (!content) {
    if (status.load_pending) {
      LoadLateMeters(form);
    } else {
      StartWithoutFile(form);
    }
    return;
  }
  TakeContent(form, *content);
}

void NoteMeterSet(Form1& form, SavedMeter meter) {
  if (meter == SavedMeter::kTotal) {
    StateFileToWrite(form).total_set = true;
  } else {
    StateFileToWrite(form).work_set = true;
  }
}

bool MetersChangedSinceFile(const Form1& form) {
  const StateFileStatus& status = form.state_file();
  return status.loaded && StateFileContent(form) != status.meters_at_file;
}

void SaveReset(Form1& form, SavedMeter meter) noexcept {
  NoteMeterSet(form, meter);
  AutoSaveMeters(form);
}

bool AutoSaveMeters(Form1& form) noexcept {
  StateFileStatus& status = StateFileToWrite(form);
  try {
    if (status.load_pending) LoadLateMeters(form);
    if (!status.loaded) return false;
    if (StateFileContent(form) == status.saved_content) return true;
    WriteStateFile(form);
    return true;
  } catch (...) {
    // The old file stays whole; the next save tries again.
    return false;
  }
}

void AutosaveTick(Form1& form) noexcept {
  StateFileStatus& status = StateFileToWrite(form);
  const int interval = form.options().autosave_seconds;
  if (interval <= 0) return;
  if (status.seconds_since_save < interval) ++status.seconds_since_save;
  if (status.seconds_since_save >= interval) AutoSaveMeters(form);
}

}  // namespace trezik
