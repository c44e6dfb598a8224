// Output files written whole: into a temporary file beside the target,
// flushed to the disk, then renamed over it, so that a reader never sees half
// a file and a failure or a power cut leaves the old file whole. The writing
// is StreamedFile's (streamed_file.h); the folders' calls are in the system
// parts, system_posix.cc and system_windows.cc (paths as UTF-8, UTF-16 for
// Windows' calls).
#pragma once

#include <string>
#include <string_view>

namespace trezik::tools {

// Replaces `path` by a file holding `content`, durably: writes it to a new
// temporary file in the target's folder (a name of its own from mkstemp,
// with the target's permissions, or the usual ones for a new file), checks
// every write and the close, syncs it to the disk, renames it over `path`
// and then syncs the folder so the rename is kept. Throws
// std::runtime_error naming the file and the cause when any step fails; the
// temporary file is then removed and the old file is untouched. (The
// plug-in writes its own files on its seam: WriteFileWhole, state/state_file.h.)
void ReplaceFileDurably(const std::string& path, std::string_view content);

// Creates a folder and its parents; throws std::runtime_error when it cannot.
void MakeFolders(const std::string& path);

// Creates a new, empty folder of this process's own under the system's
// temporary folder ($TMPDIR, else /tmp), named `prefix` and six characters
// chosen by mkdtemp, readable by its owner only. Returns its path; throws
// std::runtime_error when it cannot be made.
std::string MakeTemporaryFolder(std::string_view prefix);

}  // namespace trezik::tools
