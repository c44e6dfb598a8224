#include "com/com_arguments.h"

namespace trezik::com {
namespace {

// Follows VT_BYREF|VT_VARIANT links to the variant that holds the value;
// nullptr for a null link.
const VARIANT* Referenced(const VARIANT* argument) {
  // A client may chain references; more than a few links is no real call.
  for (int depth = 0; depth < 8 && argument != nullptr; ++depth) {
    if (V_VT(argument) != (VT_BYREF | VT_VARIANT)) return argument;
    argument = V_VARIANTREF(argument);
  }
  return nullptr;
}

HRESULT Converted(HRESULT hr) {
  if (SUCCEEDED(hr) || hr == E_OUTOFMEMORY) return hr;
  return DISP_E_TYPEMISMATCH;
}

}  // namespace

HRESULT ArgumentAs(const DISPPARAMS& params, UINT position, VARTYPE type, VARIANT* out) {
  if (position >= params.cArgs || params.rgvarg == nullptr) return DISP_E_PARAMNOTFOUND;
  const VARIANT* argument = Referenced(&params.rgvarg[params.cArgs - 1 - position]);
  if (argument == nullptr) return DISP_E_TYPEMISMATCH;
  const VARTYPE vt = V_VT(argument);
  if ((vt & VT_ARRAY) != 0) return DISP_E_TYPEMISMATCH;
  if ((vt & VT_BYREF) != 0 && V_BYREF(argument) == nullptr) return DISP_E_TYPEMISMATCH;

  // The value itself, with any reference taken off.
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = VariantCopyInd(&value, const_cast<VARIANT*>(argument));
  if (FAILED(hr)) return Converted(hr);

  if (V_VT(&value) == VT_BSTR && V_BSTR(&value) == nullptr) {
    V_BSTR(&value) = SysAllocStringLen(L"", 0);
    if (V_BSTR(&value) == nullptr) return E_OUTOFMEMORY;
  }
  if (type == VT_DISPATCH && (V_VT(&value) == VT_EMPTY || V_VT(&value) == VT_NULL)) {
    VariantClear(&value);
    V_VT(out) = VT_DISPATCH;
    V_DISPATCH(out) = nullptr;
    return S_OK;
  }
  hr = VariantChangeTypeEx(out, &value, LOCALE_USER_DEFAULT, 0, type);
  VariantClear(&value);
  return Converted(hr);
}

}  // namespace trezik::com
