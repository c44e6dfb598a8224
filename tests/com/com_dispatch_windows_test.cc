// The plug-in as automation clients see it, through the real trezik.dll:
// its type library, late binding by name, argument passing, and failures as
// automation errors both through Invoke and through the vtable.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_fixture_windows.h"

namespace trezik::com::testing {
namespace {

// The interface's own members as the type library must declare them.
struct DeclaredMember {
  const wchar_t* name;
  MEMBERID id;
  INVOKEKIND kind;
  std::vector<VARTYPE> parameters;  // VT_PTR marks by reference; the pointee follows in `targets`
  std::vector<VARTYPE> targets;     // the pointed-to type of each parameter (VT_EMPTY when by value)
};

const std::vector<DeclaredMember>& DeclaredMembers() {
  static const std::vector<DeclaredMember> members = {
      {L"gpslat", 0x40030002, INVOKE_PROPERTYGET, {VT_PTR}, {VT_R8}},
      {L"gpslat", 0x40030002, INVOKE_PROPERTYPUT, {VT_R8}, {VT_EMPTY}},
      {L"ProcessCommand", 0x60030000, INVOKE_FUNC, {VT_PTR, VT_PTR, VT_PTR},
       {VT_BSTR, VT_DISPATCH, VT_I2}},
      {L"ReturnLabel", 0x60030001, INVOKE_FUNC, {VT_PTR, VT_PTR, VT_PTR}, {VT_BSTR, VT_BSTR, VT_BSTR}},
      {L"ReturnIndicator", 0x60030002, INVOKE_FUNC, {VT_PTR, VT_PTR}, {VT_BSTR, VT_BSTR}},
      {L"Arccos", 0x60030003, INVOKE_FUNC, {VT_R8, VT_PTR}, {VT_EMPTY, VT_R8}},
      {L"GreatCircleDistance", 0x60030004, INVOKE_FUNC, {VT_R8, VT_R8, VT_R8, VT_R8, VT_PTR},
       {VT_EMPTY, VT_EMPTY, VT_EMPTY, VT_EMPTY, VT_R8}},
      {L"greatcircledistance2", 0x60030005, INVOKE_FUNC, {VT_R8, VT_R8, VT_R8, VT_R8, VT_PTR},
       {VT_EMPTY, VT_EMPTY, VT_EMPTY, VT_EMPTY, VT_R8}},
  };
  return members;
}

class TypeLibraryTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    ASSERT_EQ(LoadTypeLibEx(dll_path_.wstring().c_str(), REGKIND_NONE, &library_), S_OK);
  }
  void TearDown() override {
    if (library_ != nullptr) library_->Release();
    PluginTest::TearDown();
  }
  ITypeLib* library_ = nullptr;
};

TEST_F(TypeLibraryTest, TheLibraryIsTrezikOneZeroInEnglish) {
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, kLibraryId));
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  EXPECT_EQ(attributes->lcid, 0x409u);
  library_->ReleaseTLibAttr(attributes);
  BSTR name = nullptr;
  ASSERT_EQ(library_->GetDocumentation(-1, &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_STREQ(name, L"trezik");
  SysFreeString(name);
}

TEST_F(TypeLibraryTest, TheClassIsCreatableWithTheInterfaceAsDefault) {
  ITypeInfo* coclass = nullptr;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(kClassId, &coclass), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
  EXPECT_NE(attributes->wTypeFlags & TYPEFLAG_FCANCREATE, 0);
  ASSERT_EQ(attributes->cImplTypes, 1);
  coclass->ReleaseTypeAttr(attributes);
  INT flags = 0;
  EXPECT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
  EXPECT_NE(flags & IMPLTYPEFLAG_FDEFAULT, 0);
  HREFTYPE reference = 0;
  ITypeInfo* interface_info = nullptr;
  ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &reference), S_OK);
  ASSERT_EQ(coclass->GetRefTypeInfo(reference, &interface_info), S_OK);
  BSTR name = nullptr;
  interface_info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
  EXPECT_STREQ(name, L"_PWExtension");
  SysFreeString(name);
  interface_info->Release();
  BSTR class_name = nullptr;
  coclass->GetDocumentation(MEMBERID_NIL, &class_name, nullptr, nullptr, nullptr);
  EXPECT_STREQ(class_name, L"PWExtension");
  SysFreeString(class_name);
  coclass->Release();
}

// Both halves of the dual interface: the dispatch side and the vtable side
// that derives from IDispatch.
TEST_F(TypeLibraryTest, TheInterfaceIsAHiddenNonExtensibleDualAutomationInterface) {
  ITypeInfo* dispatch_info = nullptr;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(kInterfaceId, &dispatch_info), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(dispatch_info->GetTypeAttr(&attributes), S_OK);
  const WORD common = TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE |
                      TYPEFLAG_FDISPATCHABLE;
  EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
  EXPECT_EQ(attributes->wTypeFlags & common, common);
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  dispatch_info->ReleaseTypeAttr(attributes);

  HREFTYPE reference = 0;
  ITypeInfo* vtable_info = nullptr;
  ASSERT_EQ(dispatch_info->GetRefTypeOfImplType(-1, &reference), S_OK);
  ASSERT_EQ(dispatch_info->GetRefTypeInfo(reference, &vtable_info), S_OK);
  ASSERT_EQ(vtable_info->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
  EXPECT_EQ(attributes->wTypeFlags & (common | TYPEFLAG_FOLEAUTOMATION),
            common | TYPEFLAG_FOLEAUTOMATION);
  ASSERT_EQ(attributes->cImplTypes, 1);
  vtable_info->ReleaseTypeAttr(attributes);
  ITypeInfo* base = nullptr;
  ASSERT_EQ(vtable_info->GetRefTypeOfImplType(0, &reference), S_OK);
  ASSERT_EQ(vtable_info->GetRefTypeInfo(reference, &base), S_OK);
  ASSERT_EQ(base->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IDispatch));
  base->ReleaseTypeAttr(attributes);
  base->Release();
  vtable_info->Release();
  dispatch_info->Release();
}

// The vtable side of the dual interface: member order, dispatch IDs,
// parameter passing and types, and the slot of each member after IDispatch's
// seven, which the C++ interface generated from the same IDL must match.
TEST_F(TypeLibraryTest, TheMembersAreDeclaredInOrderWithTheirIdsAndTypes) {
  ITypeInfo* dispatch_info = nullptr;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(kInterfaceId, &dispatch_info), S_OK);
  HREFTYPE reference = 0;
  ITypeInfo* vtable_info = nullptr;
  ASSERT_EQ(dispatch_info->GetRefTypeOfImplType(-1, &reference), S_OK);
  ASSERT_EQ(dispatch_info->GetRefTypeInfo(reference, &vtable_info), S_OK);
  dispatch_info->Release();

  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(vtable_info->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
  const auto& members = DeclaredMembers();
  ASSERT_EQ(attributes->cFuncs, members.size());
  vtable_info->ReleaseTypeAttr(attributes);

  for (UINT index = 0; index < members.size(); ++index) {
    const DeclaredMember& member = members[index];
    SCOPED_TRACE(::testing::Message() << "member " << index);
    FUNCDESC* function = nullptr;
    ASSERT_EQ(vtable_info->GetFuncDesc(index, &function), S_OK);
    EXPECT_EQ(function->memid, member.id);
    EXPECT_EQ(function->invkind, member.kind);
    EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + index) * sizeof(void*)));
    EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
    ASSERT_EQ(function->cParams, static_cast<SHORT>(member.parameters.size()));
    for (SHORT p = 0; p < function->cParams; ++p) {
      const TYPEDESC& type = function->lprgelemdescParam[p].tdesc;
      EXPECT_EQ(type.vt, member.parameters[p]) << "parameter " << p;
      if (type.vt == VT_PTR) {
        EXPECT_EQ(type.lptdesc->vt, member.targets[p]) << "parameter " << p;
      }
    }
    BSTR names[6] = {};
    UINT count = 0;
    vtable_info->GetNames(function->memid, names, 6, &count);
    EXPECT_STREQ(names[0], member.name);
    for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
    vtable_info->ReleaseFuncDesc(function);
  }
  vtable_info->Release();
}

// ---------------------------------------------------------------- late binding

class DispatchTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    object_ = CreateOrFail();
    ASSERT_NE(object_, nullptr);
  }
  void TearDown() override {
    if (object_ != nullptr) object_->Release();
    PluginTest::TearDown();
  }

  HRESULT Call(DISPID id, std::vector<VARIANT> reversed, VARIANT* result, EXCEPINFO* excepinfo,
               UINT* arg_error, WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET) {
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    return object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, excepinfo,
                           arg_error);
  }

  static VARIANT Number(double value) {
    VARIANT v;
    V_VT(&v) = VT_R8;
    V_R8(&v) = value;
    return v;
  }
  static VARIANT TextRef(BSTR* text) {
    VARIANT v;
    V_VT(&v) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&v) = text;
    return v;
  }
  static VARIANT VariantRef(VARIANT* target) {
    VARIANT v;
    V_VT(&v) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&v) = target;
    return v;
  }

  PWExtensionInterface* object_ = nullptr;
};

TEST_F(DispatchTest, NamesMatchWithoutRegardToCase) {
  const struct {
    std::vector<const wchar_t*> names;
    HRESULT hr;
    std::vector<DISPID> ids;
  } cases[] = {
      {{L"ProcessCommand"}, S_OK, {0x60030000}},
      {{L"PROCESSCOMMAND", L"cmd", L"FRM"}, S_OK, {0x60030000, 0, 1}},
      {{L"returnlabel", L"fmt"}, S_OK, {0x60030001, 1}},
      {{L"ReturnIndicator"}, S_OK, {0x60030002}},
      {{L"GPSLAT"}, S_OK, {0x40030002}},
      {{L"arccos", L"x"}, S_OK, {0x60030003}},
      {{L"GreatCircleDistance", L"destinationlongitude"}, S_OK, {0x60030004, 3}},
      {{L"GreatCircleDistance2"}, S_OK, {0x60030005}},
      {{L"ReturnLabels"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
      {{L"ReturnLabel", L"LBL", L"nothing"}, DISP_E_UNKNOWNNAME, {0x60030001, 0, DISPID_UNKNOWN}},
  };
  for (const auto& c : cases) {
    std::vector<LPOLESTR> names;
    for (const wchar_t* name : c.names) names.push_back(const_cast<LPOLESTR>(name));
    std::vector<DISPID> ids(names.size(), 12345);
    EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                     LOCALE_USER_DEFAULT, ids.data()),
              c.hr)
        << static_cast<const void*>(c.names[0]);
    if (c.ids.size() == ids.size()) {
      for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ids[i], c.ids[i]) << i;
    }
  }
}

TEST_F(DispatchTest, TextsPassedByReferenceAreReadAndLeftAlone) {
  // As VBScript passes a variable: VT_BYREF|VT_VARIANT around a BSTR.
  VARIANT variable;
  V_VT(&variable) = VT_BSTR;
  V_BSTR(&variable) = SysAllocString(L"LogWork");
  IDispatch* frm = nullptr;
  VARIANT frm_ref;
  V_VT(&frm_ref) = VT_BYREF | VT_DISPATCH;
  V_DISPATCHREF(&frm_ref) = &frm;
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(Call(kDispIdProcessCommand, {frm_ref, VariantRef(&variable)}, &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(V_VT(&result), VT_I2);
  EXPECT_EQ(V_I2(&result), 2);
  EXPECT_STREQ(V_BSTR(&variable), L"LogWork");
  VariantClear(&variable);

  // As a compiled host passes it: VT_BYREF|VT_BSTR.
  BSTR indicator = SysAllocString(L"WORKREC");
  VARIANT shown;
  VariantInit(&shown);
  ASSERT_EQ(Call(kDispIdReturnIndicator, {TextRef(&indicator)}, &shown, nullptr, nullptr), S_OK);
  ASSERT_EQ(V_VT(&shown), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&shown), L"True");
  VariantClear(&shown);
  SysFreeString(indicator);
}

TEST_F(DispatchTest, TheGpslatPropertyIsStoredAndReadBack) {
  VARIANT value = Number(51.25);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS put = {&value, &named, 1, 1};
  ASSERT_EQ(object_->Invoke(kDispIdGpslat, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr,
                            nullptr),
            S_OK);
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(Call(kDispIdGpslat, {}, &result, nullptr, nullptr, DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(V_VT(&result), VT_R8);
  EXPECT_EQ(V_R8(&result), 51.25);
}

TEST_F(DispatchTest, WrongCallsAreRefusedWithTheirCodes) {
  UINT arg_error = 99;
  BSTR text = SysAllocString(L"x");
  // Wrong number of arguments.
  EXPECT_EQ(Call(kDispIdArccos, {}, nullptr, nullptr, nullptr), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(kDispIdArccos, {Number(0), Number(0)}, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(kDispIdReturnLabel, {TextRef(&text)}, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  // The third parameter (OriginLongitude) does not convert: rgvarg index 1.
  EXPECT_EQ(Call(kDispIdGreatCircleDistance, {Number(0), TextRef(&text), Number(1), Number(0)},
                 nullptr, nullptr, &arg_error),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_error, 1u);
  // No such member, or an interface other than IID_NULL.
  EXPECT_EQ(Call(0x60030009, {}, nullptr, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(object_->Invoke(kDispIdGpslat, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, nullptr,
                            nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  SysFreeString(text);
}

TEST_F(DispatchTest, FailuresReachTheClientAsAutomationErrors) {
  const struct {
    DISPID id;
    const wchar_t* text;  // for ProcessCommand
    double x;             // for Arccos
    HRESULT scode;
  } cases[] = {
      {kDispIdArccos, nullptr, 1.0, static_cast<HRESULT>(0x800A000B)},   // division by zero
      {kDispIdArccos, nullptr, 2.0, static_cast<HRESULT>(0x800A0005)},   // invalid argument
      {kDispIdProcessCommand, L"trezik_.", 0, static_cast<HRESULT>(0x800A000D)},  // "." is no number
  };
  for (const auto& c : cases) {
    BSTR text = c.text != nullptr ? SysAllocString(c.text) : nullptr;
    VARIANT nothing;
    V_VT(&nothing) = VT_DISPATCH;
    V_DISPATCH(&nothing) = nullptr;
    std::vector<VARIANT> arguments =
        c.id == kDispIdArccos ? std::vector<VARIANT>{Number(c.x)}
                              : std::vector<VARIANT>{nothing, TextRef(&text)};
    EXCEPINFO excepinfo = {};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(Call(c.id, arguments, &result, &excepinfo, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(excepinfo.scode, c.scode);
    EXPECT_STREQ(excepinfo.bstrSource, L"trezik");
    EXPECT_GT(SysStringLen(excepinfo.bstrDescription), 0u);
    EXPECT_EQ(V_VT(&result), VT_EMPTY);
    SysFreeString(excepinfo.bstrSource);
    SysFreeString(excepinfo.bstrDescription);
    // Without an EXCEPINFO the client still gets the error's own code.
    EXPECT_EQ(Call(c.id, arguments, nullptr, nullptr, nullptr), c.scode);
    SysFreeString(text);
  }
}

TEST_F(DispatchTest, VtableCallsReturnTheCodeAndSetTheErrorInfo) {
  double result = 7.0;
  EXPECT_EQ(object_->Arccos(1.0, &result), static_cast<HRESULT>(0x800A000B));
  EXPECT_EQ(result, 7.0);  // untouched on failure
  IErrorInfo* info = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  BSTR source = nullptr;
  info->GetSource(&source);
  EXPECT_STREQ(source, L"trezik");
  SysFreeString(source);
  info->Release();

  ISupportErrorInfo* support = nullptr;
  ASSERT_EQ(object_->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(kInterfaceId), S_OK);
  support->Release();

  EXPECT_EQ(object_->Arccos(0.0, &result), S_OK);
  EXPECT_DOUBLE_EQ(result, 1.5707963267948966);
}

TEST_F(DispatchTest, NullOutputsAreRefused) {
  BSTR text = SysAllocString(L"tripmeter");
  short number = 0;
  EXPECT_EQ(object_->get_gpslat(nullptr), E_POINTER);
  EXPECT_EQ(object_->ProcessCommand(&text, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(object_->ProcessCommand(nullptr, nullptr, &number), E_POINTER);
  EXPECT_EQ(object_->ReturnLabel(&text, &text, nullptr), E_POINTER);
  EXPECT_EQ(object_->ReturnIndicator(&text, nullptr), E_POINTER);
  EXPECT_EQ(object_->Arccos(0.5, nullptr), E_POINTER);
  EXPECT_EQ(object_->GetTypeInfoCount(nullptr), E_POINTER);
  SysFreeString(text);
}

TEST_F(DispatchTest, TheTypeInfoComesFromTheEmbeddedLibrary) {
  ITypeInfo* info = nullptr;
  EXPECT_EQ(object_->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  ASSERT_EQ(object_->GetTypeInfo(0, 0, &info), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, kInterfaceId));
  info->ReleaseTypeAttr(attributes);
  info->Release();
}

}  // namespace
}  // namespace trezik::com::testing
