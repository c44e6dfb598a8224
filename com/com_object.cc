#include "com/com_object.h"

#include <cwctype>
#include <string>

#include "com/com_arguments.h"
#include "com/module_life.h"
#include "platform/windows_module.h"

namespace trezik::com {
namespace {

// The members as late-bound clients name them, with their parameters; a
// parameter's dispatch ID is its position.
struct Member {
  const wchar_t* name;
  DISPID id;
  const wchar_t* parameters[4];
};

constexpr Member kMembers[] = {
    {L"gpslat", kDispIdGpslat, {}},
    {L"ProcessCommand", kDispIdProcessCommand, {L"CMD", L"frm"}},
    {L"ReturnLabel", kDispIdReturnLabel, {L"LBL", L"FMT"}},
    {L"ReturnIndicator", kDispIdReturnIndicator, {L"IND"}},
    {L"Arccos", kDispIdArccos, {L"X"}},
    {L"GreatCircleDistance",
     kDispIdGreatCircleDistance,
     {L"OriginLatitude", L"DestinationLatitude", L"OriginLongitude", L"DestinationLongitude"}},
    {L"greatcircledistance2",
     kDispIdGreatcircledistance2,
     {L"OriginLatitude", L"DestinationLatitude", L"OriginLongitude", L"DestinationLongitude"}},
};

// Names compare without regard to case, as Basic compares them.
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
    for (DISPID position = 0; position < 4; ++position) {
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
  const bool is_call = (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;

  if (id == kDispIdGpslat) {
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
      if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
      if (params.cNamedArgs > 1 ||
          (params.cNamedArgs == 1 && params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
        return DISP_E_PARAMNOTFOUND;
      }
      Arguments arguments(1);
      const VARTYPE types[] = {VT_R8};
      const HRESULT hr = arguments.Read(params, types, arg_error);
      if (FAILED(hr)) return hr;
      return put_gpslat(V_R8(&arguments[0]));
    }
    if (!is_call) return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
    double value = 0.0;
    const HRESULT hr = get_gpslat(&value);
    if (SUCCEEDED(hr) && result != nullptr) {
      VariantInit(result);
      V_VT(result) = VT_R8;
      V_R8(result) = value;
    }
    return hr;
  }

  UINT expected = 0;
  VARTYPE types[4] = {};
  switch (id) {
    case kDispIdProcessCommand:
      expected = 2;
      types[0] = VT_BSTR;
      types[1] = VT_DISPATCH;
      break;
    case kDispIdReturnLabel:
      expected = 2;
      types[0] = VT_BSTR;
      types[1] = VT_BSTR;
      break;
    case kDispIdReturnIndicator:
      expected = 1;
      types[0] = VT_BSTR;
      break;
    case kDispIdArccos:
      expected = 1;
      types[0] = VT_R8;
      break;
    case kDispIdGreatCircleDistance:
    case kDispIdGreatcircledistance2:
      expected = 4;
      types[0] = types[1] = types[2] = types[3] = VT_R8;
      break;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
  if (!is_call) return DISP_E_MEMBERNOTFOUND;
  if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params.cArgs != expected) return DISP_E_BADPARAMCOUNT;
  Arguments arguments(expected);
  HRESULT hr = arguments.Read(params, types, arg_error);
  if (FAILED(hr)) return hr;

  VARIANT value;
  VariantInit(&value);
  switch (id) {
    case kDispIdProcessCommand: {
      IDispatch* frm = V_DISPATCH(&arguments[1]);
      V_VT(&value) = VT_I2;
      hr = ProcessCommand(&V_BSTR(&arguments[0]), &frm, &V_I2(&value));
      break;
    }
    case kDispIdReturnLabel:
      V_VT(&value) = VT_BSTR;
      V_BSTR(&value) = nullptr;
      hr = ReturnLabel(&V_BSTR(&arguments[0]), &V_BSTR(&arguments[1]), &V_BSTR(&value));
      break;
    case kDispIdReturnIndicator:
      V_VT(&value) = VT_BSTR;
      V_BSTR(&value) = nullptr;
      hr = ReturnIndicator(&V_BSTR(&arguments[0]), &V_BSTR(&value));
      break;
    case kDispIdArccos:
      V_VT(&value) = VT_R8;
      hr = Arccos(V_R8(&arguments[0]), &V_R8(&value));
      break;
    case kDispIdGreatCircleDistance:
      V_VT(&value) = VT_R8;
      hr = GreatCircleDistance(V_R8(&arguments[0]), V_R8(&arguments[1]), V_R8(&arguments[2]),
                               V_R8(&arguments[3]), &V_R8(&value));
      break;
    default:
      V_VT(&value) = VT_R8;
      hr = greatcircledistance2(V_R8(&arguments[0]), V_R8(&arguments[1]), V_R8(&arguments[2]),
                                V_R8(&arguments[3]), &V_R8(&value));
      break;
  }
  if (FAILED(hr)) {
    VariantInit(&value);  // nothing was stored on failure
    return hr;
  }
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
