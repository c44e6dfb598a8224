#include "core/item_reader.h"

#include "core/error.h"

namespace trezik {
namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

void ItemReader::SkipLineEnd() {
  // CR LF, a lone LF or a lone CR each end one line.
  if (pos_ < content_.size() && content_[pos_] == '\r') ++pos_;
  if (pos_ < content_.size() && content_[pos_] == '\n') ++pos_;
}

std::string ItemReader::Next() {
  if (AtEnd()) Fail(ErrorKind::kInputPastEnd, "Input past end of file");
  while (pos_ < content_.size() && (content_[pos_] == ' ' || content_[pos_] == '\t')) ++pos_;

  std::string item;
  if (pos_ < content_.size() && content_[pos_] == '"') {
    const std::size_t close = content_.find('"', pos_ + 1);
    const std::size_t end = close == std::string::npos ? content_.size() : close;
    item = content_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = close == std::string::npos ? content_.size() : close + 1;
    // Whatever follows the closing quote up to the delimiter is dropped.
    while (pos_ < content_.size() && content_[pos_] != ',' && !IsLineEnd(content_[pos_])) ++pos_;
  } else {
    const std::size_t start = pos_;
    while (pos_ < content_.size() && content_[pos_] != ',' && !IsLineEnd(content_[pos_])) ++pos_;
    item = content_.substr(start, pos_ - start);
  }
  if (pos_ < content_.size()) {
    if (content_[pos_] == ',') {
      ++pos_;
    } else {
      SkipLineEnd();
    }
  }
  return item;
}

}  // namespace trezik
