// The edge of the COM server, tested on its own: which automation error each
// core failure becomes, that nothing thrown leaves an entry point even
// without memory, and how Invoke's arguments convert.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "com/com_arguments.h"
#include "com/com_errors.h"
#include "com/com_interface.h"
#include "com/entry_points.h"

#include <olectl.h>

// While set, every operator new of this program (the COM edge's code is
// linked in) fails as when memory runs out.
static bool fail_allocations = false;

void* operator new(std::size_t size) {
  if (fail_allocations) throw std::bad_alloc();
  if (void* block = HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace trezik::com {
namespace {

// Allocations fail within its scope, and work again however it is left.
struct NoMemory {
  NoMemory() { fail_allocations = true; }
  ~NoMemory() { fail_allocations = false; }
};

TEST(AutomationErrorTest, EachKindBecomesItsStandardBasicError) {
  const struct {
    ErrorKind kind;
    HRESULT code;
  } cases[] = {
      {ErrorKind::kTypeMismatch, static_cast<HRESULT>(0x800A000D)},
      {ErrorKind::kDivisionByZero, static_cast<HRESULT>(0x800A000B)},
      {ErrorKind::kOverflow, static_cast<HRESULT>(0x800A0006)},
      {ErrorKind::kInvalidArgument, static_cast<HRESULT>(0x800A0005)},
      {ErrorKind::kFileNotFound, static_cast<HRESULT>(0x800A0035)},
      {ErrorKind::kPathNotFound, static_cast<HRESULT>(0x800A004C)},
      {ErrorKind::kPermissionDenied, static_cast<HRESULT>(0x800A0046)},
      {ErrorKind::kDiskFull, static_cast<HRESULT>(0x800A003D)},
      {ErrorKind::kInputPastEnd, static_cast<HRESULT>(0x800A003E)},
      {ErrorKind::kFileIo, static_cast<HRESULT>(0x800A0039)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AutomationErrorCode(c.kind), c.code) << ErrorKindName(c.kind);
  }
}

ErrorReport ReportOf(const std::function<void()>& thrower) {
  try {
    thrower();
  } catch (...) {
    return ReportOfCurrentException();
  }
  ADD_FAILURE() << "nothing thrown";
  return {};
}

TEST(AutomationErrorTest, ReportsCarryTheCoreTextOrTheKindName) {
  ErrorReport with_text = ReportOf([] { Fail(ErrorKind::kOverflow, "0 / 0"); });
  EXPECT_EQ(with_text.scode, static_cast<HRESULT>(0x800A0006));
  EXPECT_EQ(with_text.description, L"0 / 0");

  // A path in the text is UTF-8: the folder "Пробег".
  ErrorReport named = ReportOf([] {
    Fail(ErrorKind::kFileNotFound, "C:\\\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB1\xD0\xB5\xD0\xB3\\x");
  });
  EXPECT_EQ(named.description, L"C:\\\x041F\x0440\x043E\x0431\x0435\x0433\\x");

  ErrorReport bare = ReportOf([] { Fail(ErrorKind::kDiskFull, ""); });
  EXPECT_EQ(bare.description, L"disk full");

  ErrorReport foreign = ReportOf([] { throw std::runtime_error("boom"); });
  EXPECT_EQ(foreign.scode, E_UNEXPECTED);
  EXPECT_NE(foreign.description.find(L"boom"), std::wstring::npos);
}

TEST(AutomationErrorTest, ExcepInfoNamesTheSourceAndTheCode) {
  EXCEPINFO info;
  FillExcepInfo({static_cast<HRESULT>(0x800A0035), L"cannot open \"pw.ini\""}, &info);
  EXPECT_EQ(info.wCode, 0);
  EXPECT_EQ(info.scode, static_cast<HRESULT>(0x800A0035));
  EXPECT_STREQ(info.bstrSource, L"trezik");
  EXPECT_STREQ(info.bstrDescription, L"cannot open \"pw.ini\"");
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
}

TEST(AutomationErrorTest, TheThreadErrorInfoIsSet) {
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(SetErrorInfoFrom({static_cast<HRESULT>(0x800A000B), L"division by zero"}),
            static_cast<HRESULT>(0x800A000B));
  IErrorInfo* info = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  BSTR source = nullptr;
  BSTR description = nullptr;
  info->GetSource(&source);
  info->GetDescription(&description);
  EXPECT_STREQ(source, L"trezik");
  EXPECT_STREQ(description, L"division by zero");
  SysFreeString(source);
  SysFreeString(description);
  info->Release();
}

// A processor without SSE2 cannot be had under test; the check's answer is
// put in its place.
TEST(ProcessorCheckTest, WithoutSse2TheExportsRefuseWithTheirOwnError) {
  bool (*const system_answer)() = processor_has_sse2;
  processor_has_sse2 = [] { return false; };
  SetErrorInfo(0, nullptr);
  void* factory = reinterpret_cast<void*>(0x1);
  const HRESULT created = DllGetClassObject(kClassId, IID_IClassFactory, &factory);
  IErrorInfo* info = nullptr;
  const HRESULT has_info = GetErrorInfo(0, &info);
  const HRESULT registered = DllRegisterServer();
  const HRESULT unload = DllCanUnloadNow();
  processor_has_sse2 = system_answer;

  EXPECT_EQ(created, static_cast<HRESULT>(0x800A01AD));  // Basic error 429
  EXPECT_EQ(factory, nullptr);
  ASSERT_EQ(has_info, S_OK);
  BSTR description = nullptr;
  info->GetDescription(&description);
  EXPECT_STREQ(description, L"this processor lacks SSE2");
  SysFreeString(description);
  info->Release();
  EXPECT_EQ(registered, static_cast<HRESULT>(0x800A01AD));
  EXPECT_EQ(unload, S_OK);  // nothing was ever created
}

TEST(EntryGuardTest, WhatABodyThrowsBecomesItsCode) {
  const struct {
    const char* what;
    std::function<HRESULT()> body;
    HRESULT code;
  } cases[] = {
      {"a code returned", [] { return S_FALSE; }, S_FALSE},
      {"trezik::Error",
       []() -> HRESULT { Fail(ErrorKind::kPermissionDenied, "locked"); },
       static_cast<HRESULT>(0x800A0046)},
      {"std::bad_alloc", []() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY},
      {"std::runtime_error", []() -> HRESULT { throw std::runtime_error("boom"); }, E_UNEXPECTED},
      {"an int", []() -> HRESULT { throw 7; }, E_UNEXPECTED},
  };
  for (const auto& c : cases) EXPECT_EQ(GuardEntry(c.body), c.code) << c.what;
}

// Reporting a failure and handing a text back need no C++ allocation that
// could throw out of a COM method.
TEST(EntryGuardTest, WithoutMemoryFailuresAreStillReportedAndTextsStillReturned) {
  const std::string text(100, 'x');  // longer than any in-place buffer
  const Error failure(ErrorKind::kDiskFull, text);
  ErrorReport report;
  BSTR converted = nullptr;
  {
    NoMemory no_memory;
    try {
      throw failure;
    } catch (...) {
      report = ReportOfCurrentException();
    }
    converted = BstrFromAnsi(text);
  }
  EXPECT_EQ(report.scode, static_cast<HRESULT>(0x800A003D));
  EXPECT_EQ(report.description, L"");
  ASSERT_NE(converted, nullptr);
  EXPECT_EQ(std::wstring(converted, SysStringLen(converted)), std::wstring(100, L'x'));
  SysFreeString(converted);
}

TEST(TextBoundaryTest, NullAndEmbeddedZerosSurviveTheConversion) {
  EXPECT_EQ(AnsiFromBstr(nullptr), "");
  BSTR with_zero = SysAllocStringLen(L"a\0b", 3);
  EXPECT_EQ(AnsiFromBstr(with_zero), std::string("a\0b", 3));
  SysFreeString(with_zero);
  BSTR round = BstrFromAnsi("pwpath||C:\\PW\\");
  EXPECT_STREQ(round, L"pwpath||C:\\PW\\");
  SysFreeString(round);
}

// One argument as a client might pass it, owning what it points to.
class ClientArgument {
 public:
  ClientArgument() {
    VariantInit(&holder_);
    VariantInit(&argument_);
  }
  ~ClientArgument() {
    VariantClear(&holder_);
    SysFreeString(text_);
    if (array_ != nullptr) SafeArrayDestroy(array_);
  }
  ClientArgument(const ClientArgument&) = delete;
  ClientArgument& operator=(const ClientArgument&) = delete;

  VARIANT& argument() { return argument_; }
  VARIANT& holder() { return holder_; }
  BSTR& text() { return text_; }
  SAFEARRAY*& array() { return array_; }

 private:
  VARIANT holder_;    // what a VT_BYREF|VT_VARIANT points at
  VARIANT argument_;  // what goes into rgvarg
  BSTR text_ = nullptr;
  SAFEARRAY* array_ = nullptr;
};

enum class Shape {
  kBstrByValue,     // a literal in VBScript
  kBstrByRef,       // a compiled host's variable
  kVariantByRef,    // a VBScript variable holding a text
  kNullBstr,        // a client passing a null BSTR
  kEmpty,           // an uninitialised variable
  kNull,            // VT_NULL
  kDoubleByValue,
  kDoubleByRef,
  kBoolByValue,
  kArray,
  kNullByRefPointer,
  kDispatchNothing,
};

void Build(Shape shape, const wchar_t* text, ClientArgument* client) {
  VARIANT& argument = client->argument();
  switch (shape) {
    case Shape::kBstrByValue:
      client->text() = SysAllocString(text);
      V_VT(&argument) = VT_BSTR;
      V_BSTR(&argument) = client->text();
      break;
    case Shape::kBstrByRef:
      client->text() = SysAllocString(text);
      V_VT(&argument) = VT_BYREF | VT_BSTR;
      V_BSTRREF(&argument) = &client->text();
      break;
    case Shape::kVariantByRef:
      V_VT(&client->holder()) = VT_BSTR;
      V_BSTR(&client->holder()) = SysAllocString(text);
      V_VT(&argument) = VT_BYREF | VT_VARIANT;
      V_VARIANTREF(&argument) = &client->holder();
      break;
    case Shape::kNullBstr:
      V_VT(&argument) = VT_BSTR;
      V_BSTR(&argument) = nullptr;
      break;
    case Shape::kEmpty:
      V_VT(&argument) = VT_EMPTY;
      break;
    case Shape::kNull:
      V_VT(&argument) = VT_NULL;
      break;
    case Shape::kDoubleByValue:
      V_VT(&argument) = VT_R8;
      V_R8(&argument) = 0.5;
      break;
    case Shape::kDoubleByRef:
      V_VT(&client->holder()) = VT_R8;
      V_R8(&client->holder()) = 0.25;
      V_VT(&argument) = VT_BYREF | VT_R8;
      V_R8REF(&argument) = &V_R8(&client->holder());
      break;
    case Shape::kBoolByValue:
      V_VT(&argument) = VT_BOOL;
      V_BOOL(&argument) = VARIANT_TRUE;
      break;
    case Shape::kArray: {
      SAFEARRAYBOUND bound = {2, 0};
      client->array() = SafeArrayCreate(VT_VARIANT, 1, &bound);
      V_VT(&argument) = VT_ARRAY | VT_VARIANT;
      V_ARRAY(&argument) = client->array();
      break;
    }
    case Shape::kNullByRefPointer:
      V_VT(&argument) = VT_BYREF | VT_BSTR;
      V_BSTRREF(&argument) = nullptr;
      break;
    case Shape::kDispatchNothing:
      V_VT(&argument) = VT_DISPATCH;
      V_DISPATCH(&argument) = nullptr;
      break;
  }
}

struct ArgumentCase {
  const char* name;
  Shape shape;
  const wchar_t* text;
  VARTYPE wanted;
  HRESULT expected;
  const wchar_t* expected_text;  // for VT_BSTR results
  double expected_number;        // for VT_R8 results
};

class ArgumentAsTest : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(ArgumentAsTest, ConvertsOrRefuses) {
  const ArgumentCase& c = GetParam();
  ClientArgument client;
  Build(c.shape, c.text, &client);
  DISPPARAMS params = {&client.argument(), nullptr, 1, 0};
  VARIANT out;
  VariantInit(&out);
  EXPECT_EQ(ArgumentAs(params, 0, c.wanted, &out), c.expected);
  if (c.expected == S_OK) {
    ASSERT_EQ(V_VT(&out), c.wanted);
    if (c.wanted == VT_BSTR && c.expected_text != nullptr) {
      EXPECT_STREQ(V_BSTR(&out), c.expected_text);
    }
    if (c.wanted == VT_R8) {
      EXPECT_DOUBLE_EQ(V_R8(&out), c.expected_number);
    }
    if (c.wanted == VT_DISPATCH) {
      EXPECT_EQ(V_DISPATCH(&out), nullptr);
    }
  }
  VariantClear(&out);
}

// Numbers in texts below use no decimal mark, so the test holds in any locale.
INSTANTIATE_TEST_SUITE_P(
    Shapes, ArgumentAsTest,
    ::testing::Values(
        ArgumentCase{"BstrByValue", Shape::kBstrByValue, L"resettrip", VT_BSTR, S_OK, L"resettrip", 0},
        ArgumentCase{"BstrByRef", Shape::kBstrByRef, L"logtrip", VT_BSTR, S_OK, L"logtrip", 0},
        ArgumentCase{"VariantByRef", Shape::kVariantByRef, L"workrec", VT_BSTR, S_OK, L"workrec", 0},
        ArgumentCase{"NullBstrIsEmptyText", Shape::kNullBstr, nullptr, VT_BSTR, S_OK, L"", 0},
        ArgumentCase{"EmptyIsEmptyText", Shape::kEmpty, nullptr, VT_BSTR, S_OK, L"", 0},
        ArgumentCase{"NullIsNoText", Shape::kNull, nullptr, VT_BSTR, DISP_E_TYPEMISMATCH, nullptr, 0},
        ArgumentCase{"NumberAsText", Shape::kDoubleByValue, nullptr, VT_BSTR, S_OK, nullptr, 0},
        ArgumentCase{"ArrayIsNoText", Shape::kArray, nullptr, VT_BSTR, DISP_E_TYPEMISMATCH, nullptr, 0},
        ArgumentCase{"NullReference", Shape::kNullByRefPointer, nullptr, VT_BSTR, DISP_E_TYPEMISMATCH,
                     nullptr, 0},
        ArgumentCase{"DoubleByValue", Shape::kDoubleByValue, nullptr, VT_R8, S_OK, nullptr, 0.5},
        ArgumentCase{"DoubleByRef", Shape::kDoubleByRef, nullptr, VT_R8, S_OK, nullptr, 0.25},
        ArgumentCase{"NumericText", Shape::kVariantByRef, L"42", VT_R8, S_OK, nullptr, 42.0},
        ArgumentCase{"WordIsNoNumber", Shape::kBstrByRef, L"abc", VT_R8, DISP_E_TYPEMISMATCH, nullptr, 0},
        ArgumentCase{"NullBstrIsNoNumber", Shape::kNullBstr, nullptr, VT_R8, DISP_E_TYPEMISMATCH, nullptr,
                     0},
        ArgumentCase{"EmptyIsZero", Shape::kEmpty, nullptr, VT_R8, S_OK, nullptr, 0.0},
        ArgumentCase{"TrueIsMinusOne", Shape::kBoolByValue, nullptr, VT_R8, S_OK, nullptr, -1.0},
        ArgumentCase{"NullIsNoNumber", Shape::kNull, nullptr, VT_R8, DISP_E_TYPEMISMATCH, nullptr, 0},
        ArgumentCase{"ArrayIsNoNumber", Shape::kArray, nullptr, VT_R8, DISP_E_TYPEMISMATCH, nullptr, 0},
        ArgumentCase{"Nothing", Shape::kDispatchNothing, nullptr, VT_DISPATCH, S_OK, nullptr, 0},
        ArgumentCase{"UndefinedObject", Shape::kEmpty, nullptr, VT_DISPATCH, S_OK, nullptr, 0},
        ArgumentCase{"NullObject", Shape::kNull, nullptr, VT_DISPATCH, S_OK, nullptr, 0},
        ArgumentCase{"TextIsNoObject", Shape::kBstrByValue, L"form", VT_DISPATCH, DISP_E_TYPEMISMATCH,
                     nullptr, 0}),
    [](const ::testing::TestParamInfo<ArgumentCase>& info) { return std::string(info.param.name); });

TEST(ArgumentPositionTest, PositionsCountFromTheFirstDeclaredParameter) {
  // rgvarg holds the arguments last first.
  VARIANT arguments[2];
  V_VT(&arguments[0]) = VT_R8;
  V_R8(&arguments[0]) = 2.0;  // the second parameter
  V_VT(&arguments[1]) = VT_R8;
  V_R8(&arguments[1]) = 1.0;  // the first parameter
  DISPPARAMS params = {arguments, nullptr, 2, 0};
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(ArgumentAs(params, 0, VT_R8, &out), S_OK);
  EXPECT_EQ(V_R8(&out), 1.0);
  ASSERT_EQ(ArgumentAs(params, 1, VT_R8, &out), S_OK);
  EXPECT_EQ(V_R8(&out), 2.0);
  EXPECT_EQ(ArgumentAs(params, 2, VT_R8, &out), DISP_E_PARAMNOTFOUND);
}

}  // namespace
}  // namespace trezik::com
