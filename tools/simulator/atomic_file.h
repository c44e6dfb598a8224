// Output files written whole: into a temporary beside the target, then
// renamed over it, so that a reader never sees half a file.
#pragma once

#include <string>
#include <string_view>

namespace trezik::drive {

// Throws std::runtime_error naming the file when it cannot be written.
void WriteFileWhole(const std::string& path, std::string_view content);

// Creates a folder and its parents; throws std::runtime_error when it cannot.
void MakeFolders(const std::string& path);

}  // namespace trezik::drive
