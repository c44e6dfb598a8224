// The one place where failures become what an automation client sees: the
// core's trezik::Error (and anything else thrown) turns into an HRESULT, an
// EXCEPINFO for IDispatch::Invoke, and the thread's IErrorInfo for calls
// through the vtable.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "contract/names.h"
#include "core/error.h"
#include "platform/windows_headers.h"

namespace trezik::com {

// The source every report names: the plug-in's id, widened.
inline constexpr std::array<wchar_t, sizeof kPluginId> kErrorSourceText = [] {
  std::array<wchar_t, sizeof kPluginId> text{};
  for (std::size_t i = 0; i < sizeof kPluginId; ++i) text[i] = static_cast<wchar_t>(kPluginId[i]);
  return text;
}();
inline constexpr const wchar_t* kErrorSource = kErrorSourceText.data();

// The standard automation error of a kind: 0x800A0000 plus the error number
// that automation clients (VBScript's Err.Number, the front end's error
// handler) show and test for (13 type mismatch, 11 division by zero, 6 overflow, 5 invalid
// procedure call or argument, 53 file not found, 76 path not found, 70
// permission denied, 61 disk full, 62 input past end of file, 57 other file
// I/O, 7 out of memory).
HRESULT AutomationErrorCode(ErrorKind kind);

// A failure as it is reported.
struct ErrorReport {
  HRESULT scode = E_UNEXPECTED;
  std::wstring description;
};

// The code of the exception being handled: call it inside a catch block. A
// trezik::Error gives its kind's code, std::bad_alloc E_OUTOFMEMORY,
// anything else E_UNEXPECTED.
HRESULT CodeOfCurrentException() noexcept;

// The report of the exception being handled, with that code: call it inside
// a catch block. A trezik::Error gives its own text (or its kind's name),
// read as UTF-8 since it may name a file (a text that is not UTF-8 is read
// in the ANSI code page); without memory for a text the description is
// empty.
ErrorReport ReportOfCurrentException() noexcept;

// Runs the body of a COM entry point and returns its code, or the code of
// whatever it throws: no C++ exception leaves the DLL.
template <class Body>
HRESULT GuardEntry(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return CodeOfCurrentException();
  }
}

// Sets the calling thread's error info (source, description, the interface
// _PWExtension) and returns the report's code: what a vtable call returns.
HRESULT SetErrorInfoFrom(const ErrorReport& report) noexcept;

// Fills an EXCEPINFO (wCode 0, so that scode counts); the caller of Invoke
// frees its strings.
void FillExcepInfo(const ErrorReport& report, EXCEPINFO* excepinfo) noexcept;

// Text conversions at the boundary: the core's host texts are in the ANSI
// code page. A null BSTR is the empty text. AnsiFromBstr throws
// std::bad_alloc when memory runs out.
std::string AnsiFromBstr(BSTR text);
// A new BSTR, or nullptr when memory runs out; never throws.
BSTR BstrFromAnsi(std::string_view text) noexcept;

}  // namespace trezik::com
