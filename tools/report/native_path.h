// Paths as the report carries them, UTF-8 texts, turned into what the
// system's file calls take: the same bytes on Linux, UTF-16 on Windows, so
// that a folder named outside the ANSI code page is found.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace trezik::report {

// The path named by a UTF-8 text. (On Windows, std::filesystem would read a
// plain std::string byte by byte as Latin-1; path::string() gives UTF-8 back.)
std::filesystem::path NativePath(const std::string& text);

// fopen(text, "rb") through the native path; nullptr with errno set when the
// file cannot be opened.
std::FILE* OpenForReading(const std::string& text);

}  // namespace trezik::report
