// Reads a settings or state file as a sequence of text items: leading blanks
// skipped, an item ends at a comma or at the end of a line, an item that
// begins with a double quote runs to the next double quote.
#pragma once

#include <cstddef>
#include <string>

namespace trezik {

// Settings and state files are read up to this many bytes; what lies beyond
// is ignored, so a runaway file can neither stall the start nor exhaust memory.
inline constexpr std::size_t kSettingsReadLimit = 64 * 1024;

class ItemReader {
 public:
  explicit ItemReader(std::string content) : content_(std::move(content)) {}

  // True when the whole file has been read.
  bool AtEnd() const { return pos_ >= content_.size(); }

  // The next item; throws kInputPastEnd when the file is used up.
  std::string Next();

 private:
  void SkipLineEnd();

  std::string content_;
  std::size_t pos_ = 0;
};

}  // namespace trezik
