// The plug-in's files as a run reads them: whole, or the records appended
// to a log since a size (their fields are read with contract/log_record.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trezik::drive {

// The whole file, or nothing when there is none.
std::optional<std::string> FileContent(const std::string& path);

// The records appended to a log since it held `size` bytes, without their
// line ends; `size` moves on to the end.
std::vector<std::string> NewRecords(const std::string& path, std::uintmax_t& size);

// The size of a file, 0 when there is none.
std::uintmax_t FileSizeOrZero(const std::string& path);

}  // namespace trezik::drive
