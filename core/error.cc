#include "core/error.h"

namespace trezik {

const char* ErrorKindName(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kTypeMismatch:
      return "type mismatch";
    case ErrorKind::kDivisionByZero:
      return "division by zero";
    case ErrorKind::kOverflow:
      return "overflow";
    case ErrorKind::kInvalidArgument:
      return "invalid argument";
    case ErrorKind::kFileNotFound:
      return "file not found";
    case ErrorKind::kPathNotFound:
      return "path not found";
    case ErrorKind::kPermissionDenied:
      return "permission denied";
    case ErrorKind::kDiskFull:
      return "disk full";
    case ErrorKind::kInputPastEnd:
      return "input past end of file";
    case ErrorKind::kFileIo:
      return "file I/O error";
    case ErrorKind::kOutOfMemory:
      return "out of memory";
  }
  return "unknown error";
}

}  // namespace trezik
