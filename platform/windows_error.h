// Win32 error codes as the plug-in's typed errors (Windows only).
#pragma once

#include <string>

#include "core/error.h"

namespace trezik {

// The error for a failed call with the code GetLastError gave (a DWORD):
// ERROR_FILE_NOT_FOUND is kFileNotFound, ERROR_PATH_NOT_FOUND kPathNotFound,
// ERROR_ACCESS_DENIED and ERROR_SHARING_VIOLATION kPermissionDenied,
// ERROR_DISK_FULL and ERROR_HANDLE_DISK_FULL kDiskFull, anything else
// kFileIo. The message holds the context and the system's text of the code.
Error WindowsError(const std::string& context, unsigned long code);

// The system's text of an error code in UTF-8, without its closing line end
// and full stop; empty when the system has none.
std::string WindowsSystemText(unsigned long code);

}  // namespace trezik
