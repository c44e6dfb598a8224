#include "com/com_errors.h"

#include <new>

#include "com/com_interface.h"
#include "platform/windows_text.h"

namespace trezik::com {

HRESULT AutomationErrorCode(ErrorKind kind) {
  int number = 5;
  switch (kind) {
    case ErrorKind::kTypeMismatch: number = 13; break;
    case ErrorKind::kDivisionByZero: number = 11; break;
    case ErrorKind::kOverflow: number = 6; break;
    case ErrorKind::kInvalidArgument: number = 5; break;
    case ErrorKind::kFileNotFound: number = 53; break;
    case ErrorKind::kPathNotFound: number = 76; break;
    case ErrorKind::kPermissionDenied: number = 70; break;
    case ErrorKind::kDiskFull: number = 61; break;
    case ErrorKind::kInputPastEnd: number = 62; break;
    case ErrorKind::kFileIo: number = 57; break;
    case ErrorKind::kOutOfMemory: number = 7; break;
  }
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
}

HRESULT CodeOfCurrentException() noexcept {
  try {
    throw;
  } catch (const Error& error) {
    return AutomationErrorCode(error.kind());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

ErrorReport ReportOfCurrentException() noexcept {
  ErrorReport report;
  report.scode = CodeOfCurrentException();
  // The description needs memory; when there is none the code goes alone.
  // Error texts are UTF-8 (they may name a file); one that is not is ANSI.
  try {
    try {
      throw;
    } catch (const Error& error) {
      const char* what = error.what();
      report.description = WideFromUtf8(*what != '\0' ? what : ErrorKindName(error.kind()));
    } catch (const std::bad_alloc&) {
      report.description = L"out of memory";
    } catch (const std::exception& error) {
      report.description = L"unexpected failure: " + WideFromUtf8(error.what());
    } catch (...) {
      report.description = L"unexpected failure";
    }
  } catch (...) {
    report.description.clear();
  }
  return report;
}

HRESULT SetErrorInfoFrom(const ErrorReport& report) noexcept {
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&create))) {
    create->SetGUID(kInterfaceId);
    create->SetSource(const_cast<LPOLESTR>(kErrorSource));
    create->SetDescription(const_cast<LPOLESTR>(report.description.c_str()));
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      SetErrorInfo(0, info);
      info->Release();
    }
    create->Release();
  }
  return report.scode;
}

void FillExcepInfo(const ErrorReport& report, EXCEPINFO* excepinfo) noexcept {
  if (excepinfo == nullptr) return;
  *excepinfo = EXCEPINFO{};
  excepinfo->bstrSource = SysAllocString(kErrorSource);
  excepinfo->bstrDescription = SysAllocStringLen(
      report.description.data(), static_cast<UINT>(report.description.size()));
  excepinfo->scode = report.scode;
}

std::string AnsiFromBstr(BSTR text) {
  const int length = text != nullptr ? static_cast<int>(SysStringLen(text)) : 0;
  if (length == 0) return std::string();
  const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, ansi.data(), size, nullptr, nullptr);
  return ansi;
}

BSTR BstrFromAnsi(std::string_view text) noexcept {
  // Converted straight into the BSTR: no C++ allocation that could throw.
  const int length = static_cast<int>(text.size());
  const int size =
      length == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(size));
  if (wide != nullptr && size > 0) {
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide, size);
  }
  return wide;
}

}  // namespace trezik::com
