// The C++ side of trezik.idl: the identifiers of the type library, the
// interface and the class, and the interface _PWExtension, whose vtable widl
// generates from the IDL (a test compares both through the embedded type
// library).
#pragma once

#include "platform/windows_headers.h"
#include "trezik_interface.h"

namespace trezik::com {

// {CE896545-194F-4614-BF47-8542693DBF28}
inline constexpr GUID kLibraryId = {
    0xCE896545, 0x194F, 0x4614, {0xBF, 0x47, 0x85, 0x42, 0x69, 0x3D, 0xBF, 0x28}};
// {5C1BE8D8-7618-428A-AD9C-54518C0B4728}
inline constexpr GUID kInterfaceId = {
    0x5C1BE8D8, 0x7618, 0x428A, {0xAD, 0x9C, 0x54, 0x51, 0x8C, 0x0B, 0x47, 0x28}};
// {246193E9-DC7C-491A-A78B-B6855B4A7E32}
inline constexpr GUID kClassId = {
    0x246193E9, 0xDC7C, 0x491A, {0xA7, 0x8B, 0xB6, 0x85, 0x5B, 0x4A, 0x7E, 0x32}};

inline constexpr char kProgId[] = "trezik.PWExtension";
inline constexpr WORD kLibraryMajor = 1;
inline constexpr WORD kLibraryMinor = 0;
inline constexpr LCID kLibraryLocale = 0x409;

inline constexpr DISPID kDispIdGpslat = 0x40030002;
inline constexpr DISPID kDispIdProcessCommand = 0x60030000;
inline constexpr DISPID kDispIdReturnLabel = 0x60030001;
inline constexpr DISPID kDispIdReturnIndicator = 0x60030002;
inline constexpr DISPID kDispIdArccos = 0x60030003;
inline constexpr DISPID kDispIdGreatCircleDistance = 0x60030004;
inline constexpr DISPID kDispIdGreatcircledistance2 = 0x60030005;

// The dual interface _PWExtension, as widl generates it from trezik.idl.
using PWExtensionInterface = ::_PWExtension;

}  // namespace trezik::com
