// Reading the arguments of IDispatch::Invoke the way automation clients pass
// them: by value or by reference (VBScript passes variables as
// VT_BYREF|VT_VARIANT, compiled hosts VT_BYREF|VT_BSTR), each converted to
// the type the interface declares.
#pragma once

#include "platform/windows_headers.h"

namespace trezik::com {

// Converts the argument at `position` (0 is the first declared parameter;
// rgvarg holds them last first) to `type`: VT_BSTR, VT_R8 or VT_DISPATCH.
// `out` must be VariantInit'ed; the caller clears it. Returns S_OK,
// DISP_E_TYPEMISMATCH for a value that does not convert (VT_NULL, arrays,
// text that is no number, a null reference), DISP_E_PARAMNOTFOUND when there
// is no such argument, or E_OUTOFMEMORY.
//
// A null BSTR converts as the empty text. For the object parameter VT_EMPTY
// and VT_NULL give a null object (JScript passes undefined and null so).
// Numbers convert from text in the user's locale: a script passes "12,5"
// to a decimal-comma user's plug-in and expects 12.5, as the user typed it.
HRESULT ArgumentAs(const DISPPARAMS& params, UINT position, VARTYPE type, VARIANT* out);

}  // namespace trezik::com
