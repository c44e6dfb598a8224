// The one place where failures become what an automation client sees: the
// core's trezik::Error (and anything else thrown) turns into an HRESULT, an
// EXCEPINFO for IDispatch::Invoke, and the thread's IErrorInfo for calls
// through the vtable.
#pragma once

#include <string>

#include "core/error.h"
#include "platform/windows_headers.h"

namespace trezik::com {

// The source every report names.
inline constexpr wchar_t kErrorSource[] = L"trezik";

// The standard automation error of a kind: 0x800A0000 plus the Basic error
// number (13 type mismatch, 11 division by zero, 6 overflow, 5 invalid
// procedure call or argument, 53 file not found, 76 path not found, 70
// permission denied, 61 disk full, 62 input past end of file, 57 other file
// I/O).
HRESULT AutomationErrorCode(ErrorKind kind);

// A failure as it is reported.
struct ErrorReport {
  HRESULT scode = E_UNEXPECTED;
  std::wstring description;
};

// The report of the exception being handled: call it inside a catch block.
// A trezik::Error gives its kind's code and its own text; std::bad_alloc
// gives E_OUTOFMEMORY; anything else E_UNEXPECTED.
ErrorReport ReportOfCurrentException();

// Sets the calling thread's error info (source, description, the interface
// _PWExtension) and returns the report's code: what a vtable call returns.
HRESULT SetErrorInfoFrom(const ErrorReport& report);

// Fills an EXCEPINFO (wCode 0, so that scode counts); the caller of Invoke
// frees its strings.
void FillExcepInfo(const ErrorReport& report, EXCEPINFO* excepinfo);

// Text conversions at the boundary: the core works in the ANSI code page.
// A null BSTR is the empty text.
std::string AnsiFromBstr(BSTR text);
std::wstring WideFromAnsi(const std::string& text);
// A new BSTR, or nullptr when memory runs out.
BSTR BstrFromAnsi(const std::string& text);

}  // namespace trezik::com
