// The test host's output: every result goes as one line to standard output
// and to the --log file, and the texts it shows (quoted bytes, HRESULTs) and
// the conversions between the host's ANSI texts and automation BSTRs.
#pragma once

#include <cstddef>
#include <string>

#include "platform/windows_headers.h"

namespace trezik::testhost {

// Creates or empties the --log file; false when it cannot be opened.
bool OpenLog(const char* path);
void CloseLog();

// One line to standard output and to the log file, each flushed at once, so
// that a script waiting for a line (a serving host's "ready") sees it.
void Emit(const std::string& line);

// Bytes as a quoted text; anything but printable ASCII, the quote and the
// backslash as \xNN.
std::string Quoted(const char* bytes, std::size_t count);

// An HRESULT as 0x followed by eight upper-case hex digits.
std::string Hex(HRESULT hr);

// A BSTR in the ANSI code page; a null BSTR is the empty text.
std::string Ansi(BSTR text);

// An ANSI text as a new BSTR, which the caller frees.
BSTR Bstr(const std::string& text);

}  // namespace trezik::testhost
