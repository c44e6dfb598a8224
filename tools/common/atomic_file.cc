#include "tools/common/atomic_file.h"

#include "tools/common/streamed_file.h"

namespace trezik::tools {

void ReplaceFileDurably(const std::string& path, std::string_view content) {
  StreamedFile file(path);
  file.Write(content);
  file.Commit();
}

}  // namespace trezik::tools
