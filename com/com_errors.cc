#include "com/com_errors.h"

#include <new>

#include "com/com_interface.h"

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

ErrorReport ReportOfCurrentException() {
  ErrorReport report;
  try {
    throw;
  } catch (const Error& error) {
    report.scode = AutomationErrorCode(error.kind());
    const std::string what = error.what();
    report.description = WideFromAnsi(what.empty() ? ErrorKindName(error.kind()) : what);
  } catch (const std::bad_alloc&) {
    report.scode = E_OUTOFMEMORY;
    report.description = L"out of memory";
  } catch (const std::exception& error) {
    report.scode = E_UNEXPECTED;
    report.description = L"unexpected failure: " + WideFromAnsi(error.what());
  } catch (...) {
    report.scode = E_UNEXPECTED;
    report.description = L"unexpected failure";
  }
  return report;
}

HRESULT SetErrorInfoFrom(const ErrorReport& report) {
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

void FillExcepInfo(const ErrorReport& report, EXCEPINFO* excepinfo) {
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

std::wstring WideFromAnsi(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), size);
  return wide;
}

BSTR BstrFromAnsi(const std::string& text) {
  const std::wstring wide = WideFromAnsi(text);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace trezik::com
