#include "com/com_object.h"

#include <cstring>
#include <cwctype>
#include <string>

#include "com/com_arguments.h"
#include "com/module_life.h"
#include "platform/windows_module.h"

namespace trezik::com {
namespace {

// Names compare without regard to case: late-bound clients write a member
// as the script's author typed it (processcommand, PROCESSCOMMAND).
bool SameName(const wchar_t* a, const wchar_t* b) {
  if (a == nullptr || b == nullptr) return false;
  for (; *a != 0 && *b != 0; ++a, ++b) {
    if (std::towlower(*a) != std::towlower(*b)) return false;
  }
  return *a == *b;
}

// Holds converted arguments and clears them on every way out.
class Arguments {
 public:
  explicit Arguments(UINT count) : count_(count) {
    for (UINT i = 0; i < count_; ++i) VariantInit(&values_[i]);
  }
  ~Arguments() {
    for (UINT i = 0; i < count_; ++i) VariantClear(&values_[i]);
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  // Reads every argument as its declared type; on failure sets arg_error to
  // the failing argument's index in rgvarg.
  HRESULT Read(const DISPPARAMS& params, const VARTYPE* types, UINT* arg_error) {
    for (UINT position = 0; position < count_; ++position) {
      const HRESULT hr = ArgumentAs(params, position, types[position], &values_[position]);
      if (FAILED(hr)) {
        if (arg_error != nullptr) *arg_error = params.cArgs - 1 - position;
        return hr;
      }
    }
    return S_OK;
  }
  VARIANT& operator[](UINT position) { return values_[position]; }

 private:
  UINT count_;
  VARIANT values_[4];
};

// One member of _PWExtension as late-bound clients see it: its name and
// dispatch ID, its parameters' names (a parameter's dispatch ID is its
// position) and types, the type of its result, and how a call reaches the
// interface's own method with the arguments read as those types. The one
// property, gpslat, is read through `call` and written through `put`.
struct Member {
  const wchar_t* name;
  DISPID id;
  UINT count;
  const wchar_t* parameters[4];
  VARTYPE types[4];
  VARTYPE result;
  HRESULT (*call)(PWExtensionInterface& object, Arguments& arguments, VARIANT& value);
  HRESULT (*put)(PWExtensionInterface& object, Arguments& arguments);
};

constexpr const wchar_t* kPoints[4] = {L"OriginLatitude", L"DestinationLatitude",
                                       L"OriginLongitude", L"DestinationLongitude"};

const Member kMembers[] = {
    {L"gpslat", kDispIdGpslat, 0, {}, {}, VT_R8,
     [](PWExtensionInterface& o, Arguments&, VARIANT& v) { return o.get_gpslat(&V_R8(&v)); },
     [](PWExtensionInterface& o, Arguments& a) { return o.put_gpslat(V_R8(&a[0])); }},
    {L"ProcessCommand", kDispIdProcessCommand, 2, {L"CMD", L"frm"}, {VT_BSTR, VT_DISPATCH}, VT_I2,
     [](PWExtensionInterface& o, Arguments& a, VARIANT& v) {
       IDispatch* frm = V_DISPATCH(&a[1]);
       return o.ProcessCommand(&V_BSTR(&a[0]), &frm, &V_I2(&v));
     },
     nullptr},
    {L"ReturnLabel", kDispIdReturnLabel, 2, {L"LBL", L"FMT"}, {VT_BSTR, VT_BSTR}, VT_BSTR,
     [](PWExtensionInterface& o, Arguments& a, VARIANT& v) {
       return o.ReturnLabel(&V_BSTR(&a[0]), &V_BSTR(&a[1]), &V_BSTR(&v));
     },
     nullptr},
    {L"ReturnIndicator", kDispIdReturnIndicator, 1, {L"IND"}, {VT_BSTR}, VT_BSTR,
     [](PWExtensionInterface& o, Arguments& a, VARIANT& v) {
       return o.ReturnIndicator(&V_BSTR(&a[0]), &V_BSTR(&v));
     },
     nullptr},
    {L"Arccos", kDispIdArccos, 1, {L"X"}, {VT_R8}, VT_R8,
     [](PWExtensionInterface& o, Arguments& a, VARIANT& v) { return o.Arccos(V_R8(&a[0]), &V_R8(&v)); },
     nullptr},
    {L"GreatCircleDistance", kDispIdGreatCircleDistance, 4,
     {kPoints[0], kPoints[1], kPoints[2], kPoints[3]}, {VT_R8, VT_R8, VT_R8, VT_R8}, VT_R8,
     [](PWExtensionInterface& o, Arguments& a, VARIANT& v) {
       return o.GreatCircleDistance(V_R8(&a[0]), V_R8(&a[1]), V_R8(&a[2]), V_R8(&a[3]), &V_R8(&v));
     },
     nullptr},
    {L"greatcircledistance2", kDispIdGreatcircledistance2, 4,
     {kPoints[0], kPoints[1], kPoints[2], kPoints[3]}, {VT_R8, VT_R8, VT_R8, VT_R8}, VT_R8,
     [](PWExtensionInterface& o, Arguments& a, VARIANT& v) {
       return o.greatcircledistance2(V_R8(&a[0]), V_R8(&a[1]), V_R8(&a[2]), V_R8(&a[3]),
                                     &V_R8(&v));
     },
     nullptr},
};

const Member* MemberById(DISPID id) {
  for (const Member& member : kMembers) {
    if (member.id == id) return &member;
  }
  return nullptr;
}

}  // namespace

PWExtensionObject::PWExtensionObject() { ObjectCreated(); }

PWExtensionObject::~PWExtensionObject() {
  if (type_info_ != nullptr) type_info_->Release();
  ObjectDestroyed();
}

namespace {

// The host may release the object inside a call of it (in its answer to a
// request the call sent): a call holds a reference of its own, so the object
// goes only when the call is over.
class CallReference {
 public:
  explicit CallReference(IUnknown* object) : object_(object) { object_->AddRef(); }
  ~CallReference() { object_->Release(); }
  CallReference(const CallReference&) = delete;
  CallReference& operator=(const CallReference&) = delete;

 private:
  IUnknown* object_;
};

}  // namespace

template <class Call>
HRESULT PWExtensionObject::Guarded(Call call) {
  const CallReference held(static_cast<PWExtensionInterface*>(this));
  last_error_.reset();
  try {
    call();
    return S_OK;
  } catch (...) {
    last_error_ = ReportOfCurrentException();
    return SetErrorInfoFrom(*last_error_);
  }
}

template <class T, class Call>
HRESULT PWExtensionObject::GuardedValue(T* result, Call call) {
  if (result == nullptr) return E_POINTER;
  T value{};
  const HRESULT hr = Guarded([&] { value = call(); });
  if (SUCCEEDED(hr)) *result = value;
  return hr;
}

HRESULT PWExtensionObject::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, kInterfaceId)) {
    *object = static_cast<PWExtensionInterface*>(this);
  } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG PWExtensionObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG PWExtensionObject::Release() {
  const LONG left = InterlockedDecrement(&references_);
  // The state lives on in Form1; the thread's last object saves the meters
  // as it goes (ObjectDestroyed).
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT PWExtensionObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT PWExtensionObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return GuardEntry([&] {
    if (type_info_ == nullptr) {
      // The type library is the DLL's own resource; no registration needed.
      const std::wstring path = ThisModulePath();
      if (path.empty()) return TYPE_E_CANTLOADLIBRARY;
      ITypeLib* library = nullptr;
      HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
      if (FAILED(hr)) return hr;
      hr = library->GetTypeInfoOfGuid(kInterfaceId, &type_info_);
      library->Release();
      if (FAILED(hr)) return hr;
    }
    type_info_->AddRef();
    *info = type_info_;
    return S_OK;
  });
}

HRESULT PWExtensionObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                         DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const Member* member = nullptr;
  for (const Member& candidate : kMembers) {
    if (SameName(names[0], candidate.name)) member = &candidate;
  }
  if (member == nullptr) return DISP_E_UNKNOWNNAME;
  ids[0] = member->id;
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    for (DISPID position = 0; position < static_cast<DISPID>(member->count); ++position) {
      if (SameName(names[i], member->parameters[position])) ids[i] = position;
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT PWExtensionObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                  VARIANT* result, EXCEPINFO* excepinfo, UINT* arg_error) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  DISPPARAMS no_arguments = {nullptr, nullptr, 0, 0};
  if (params == nullptr) params = &no_arguments;
  if (params->cArgs > 0 && params->rgvarg == nullptr) return E_INVALIDARG;
  if (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr) return E_INVALIDARG;

  const CallReference held(static_cast<PWExtensionInterface*>(this));
  last_error_.reset();
  const HRESULT hr = InvokeMember(id, flags, *params, result, arg_error);
  if (FAILED(hr) && last_error_.has_value() && hr == last_error_->scode) {
    // A failure of the plug-in itself: an automation error for the client.
    // A client that gives no EXCEPINFO gets the error's own code instead.
    if (excepinfo == nullptr) return hr;
    FillExcepInfo(*last_error_, excepinfo);
    return DISP_E_EXCEPTION;
  }
  return hr;
}

HRESULT PWExtensionObject::InvokeMember(DISPID id, WORD flags, const DISPPARAMS& params,
                                        VARIANT* result, UINT* arg_error) {
  const Member* member = MemberById(id);
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
  PWExtensionInterface& self = *this;

  if (member->put != nullptr && (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
    // The value is the one argument, named DISPID_PROPERTYPUT or unnamed.
    if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params.cNamedArgs > 1 ||
        (params.cNamedArgs == 1 && params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
      return DISP_E_PARAMNOTFOUND;
    }
    Arguments arguments(1);
    const HRESULT hr = arguments.Read(params, &member->result, arg_error);
    if (FAILED(hr)) return hr;
    return member->put(self, arguments);
  }
  if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) return DISP_E_MEMBERNOTFOUND;
  if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params.cArgs != member->count) return DISP_E_BADPARAMCOUNT;
  Arguments arguments(member->count);
  HRESULT hr = arguments.Read(params, member->types, arg_error);
  if (FAILED(hr)) return hr;

  VARIANT value;
  std::memset(&value, 0, sizeof value);  // a BSTR result starts as no string
  V_VT(&value) = member->result;
  hr = member->call(self, arguments, value);
  if (FAILED(hr)) return hr;  // nothing was stored on failure
  if (result != nullptr) {
    *result = value;  // the client owns it now
  } else {
    VariantClear(&value);
  }
  return S_OK;
}

HRESULT PWExtensionObject::get_gpslat(double* value) {
  if (value == nullptr) return E_POINTER;
  *value = extension_.gpslat();
  return S_OK;
}

HRESULT PWExtensionObject::put_gpslat(double value) {
  extension_.set_gpslat(value);
  return S_OK;
}

HRESULT PWExtensionObject::ProcessCommand(BSTR* cmd, IDispatch**, short* result) {
  if (cmd == nullptr) return E_POINTER;
  return GuardedValue(result, [&] { return extension_.ProcessCommand(AnsiFromBstr(*cmd)); });
}

HRESULT PWExtensionObject::ReturnLabel(BSTR* lbl, BSTR* fmt, BSTR* result) {
  if (lbl == nullptr || result == nullptr) return E_POINTER;
  std::string text;
  const HRESULT hr = Guarded([&] {
    text = extension_.ReturnLabel(AnsiFromBstr(*lbl), fmt != nullptr ? AnsiFromBstr(*fmt) : "");
  });
  if (FAILED(hr)) return hr;
  BSTR value = BstrFromAnsi(text);
  if (value == nullptr) return E_OUTOFMEMORY;
  *result = value;
  return S_OK;
}

HRESULT PWExtensionObject::ReturnIndicator(BSTR* ind, BSTR* result) {
  if (ind == nullptr || result == nullptr) return E_POINTER;
  std::string text;
  const HRESULT hr = Guarded([&] { text = extension_.ReturnIndicator(AnsiFromBstr(*ind)); });
  if (FAILED(hr)) return hr;
  BSTR value = BstrFromAnsi(text);
  if (value == nullptr) return E_OUTOFMEMORY;
  *result = value;
  return S_OK;
}

HRESULT PWExtensionObject::Arccos(double x, double* result) {
  return GuardedValue(result, [&] { return extension_.Arccos(x); });
}

HRESULT PWExtensionObject::GreatCircleDistance(double origin_latitude,
                                               double destination_latitude,
                                               double origin_longitude,
                                               double destination_longitude, double* result) {
  return GuardedValue(result, [&] {
    return extension_.GreatCircleDistance(origin_latitude, destination_latitude,
                                          origin_longitude, destination_longitude);
  });
}

HRESULT PWExtensionObject::greatcircledistance2(double origin_latitude,
                                                double destination_latitude,
                                                double origin_longitude,
                                                double destination_longitude, double* result) {
  return GuardedValue(result, [&] {
    return extension_.greatcircledistance2(origin_latitude, destination_latitude,
                                           origin_longitude, destination_longitude);
  });
}

HRESULT PWExtensionObject::InterfaceSupportsErrorInfo(REFIID riid) {
  return IsEqualIID(riid, kInterfaceId) ? S_OK : S_FALSE;
}

}  // namespace trezik::com
