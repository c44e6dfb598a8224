// The part of StreamedFile that is the same on every system: small pieces
// are gathered into chunks, large ones written at once (WriteNow, in the
// system parts).
#include "tools/common/streamed_file.h"

namespace trezik::tools {

void StreamedFile::Write(std::string_view text) {
  if (pending_.size() + text.size() < kChunk) {
    pending_.append(text);
    return;
  }
  Flush();
  WriteNow(text);
}

void StreamedFile::Flush() {
  WriteNow(pending_);
  pending_.clear();
}

}  // namespace trezik::tools
