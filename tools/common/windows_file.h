// Whole files on Windows (the tools' *_windows.cc only): a new file beside
// the target with a name of its own, checked writes, FlushFileBuffers, then
// MoveFileExW over the target. Paths are UTF-8, UTF-16 for the W calls.
#pragma once

#include <string>
#include <string_view>

namespace trezik::tools::windows {

// Six hexadecimal digits from the process, the time and a counter: names
// made by other processes and by earlier runs differ, and the calls that
// create with them refuse the rare one that is taken.
std::string UniqueHex();

// Creates `target` + ".tmp-" + six hexadecimal digits, a name no file had
// (CREATE_NEW), open for writing only by this process. Returns the handle,
// or nullptr with the Windows error in `error`.
void* CreateBeside(const std::string& target, std::string& name, unsigned long& error);

// Writes all of `text`; false with the Windows error in `error`.
bool WriteAll(void* handle, std::string_view text, unsigned long& error);

// Renames `temporary` over `target`, the rename written through to the disk.
bool PutInPlace(const std::string& temporary, const std::string& target, unsigned long& error);

// Deletes a file; quiet when it cannot.
void Remove(const std::string& path);

// The system's text for a Windows error, as UTF-8 without the line end.
std::string ErrorText(unsigned long error);

}  // namespace trezik::tools::windows
