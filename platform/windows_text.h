// Texts between the plug-in's UTF-8 and Windows' UTF-16, for the calls that
// take names of files, folders and registry keys (the W calls), so that a
// folder named outside the ANSI code page works (Windows only).
#pragma once

#include <string>
#include <string_view>

namespace trezik {

// A UTF-8 text as UTF-16. Bytes that are not valid UTF-8 are taken in the
// ANSI code page instead: the host names its own folder (pwpath) in the
// ANSI code page, and such a folder must still be found. Throws
// std::bad_alloc when memory runs out.
std::wstring WideFromUtf8(std::string_view text);

// A UTF-16 text as UTF-8; an unpaired surrogate becomes U+FFFD. Throws
// std::bad_alloc when memory runs out.
std::string Utf8FromWide(std::wstring_view text);

}  // namespace trezik
