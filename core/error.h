// Typed errors of the plug-in. Every failing step throws an Error; the COM
// boundary maps each kind to its automation error code, nowhere else.
#pragma once

#include <stdexcept>
#include <string>

namespace trezik {

enum class ErrorKind {
  kTypeMismatch,      // a text that is not a number, a value that does not convert
  kDivisionByZero,    // a non-zero number divided by zero
  kOverflow,          // a result beyond its type, or zero divided by zero
  kInvalidArgument,   // e.g. the square root of a negative number, negative decimals
  kFileNotFound,
  kPathNotFound,      // the folder of a file does not exist
  kPermissionDenied,
  kDiskFull,
  kInputPastEnd,      // a read ran out of file before the value it wanted
  kFileIo,            // any other file error
  kOutOfMemory,       // an allocation failed
};

class Error : public std::runtime_error {
 public:
  Error(ErrorKind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
  ErrorKind kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

// A short English name of the kind, for messages and test output.
const char* ErrorKindName(ErrorKind kind);

[[noreturn]] inline void Fail(ErrorKind kind, const std::string& what) { throw Error(kind, what); }

}  // namespace trezik
