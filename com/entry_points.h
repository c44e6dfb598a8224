// The exported entry points of trezik.dll and what each one runs.
//
// The DLL is built for SSE2 (the toolchain file). On a processor without it,
// the first SSE2 instruction would end the host with an illegal instruction,
// so every export first asks whether the processor has SSE2, and only then
// calls the body declared here. The exports (com/entry_points.cc) are
// compiled without SSE and call nothing of the plug-in before the answer;
// the start-up code that runs when the DLL is loaded (the runtime's, DllMain
// and the static initialisers) uses no SSE either.
#pragma once

#include "platform/windows_headers.h"

namespace trezik::com {

// The bodies of DllGetClassObject, DllCanUnloadNow (com_server.cc),
// DllRegisterServer, DllUnregisterServer and DllInstall
// (com_registration.cc).
HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object);
HRESULT CanUnloadNow();
HRESULT RegisterServerEntries();
HRESULT UnregisterServerEntries();
HRESULT InstallForUser(BOOL install, PCWSTR command_line);

// Whether the processor runs SSE2 instructions
// (IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE)); a test
// puts another answer in its place.
extern bool (*processor_has_sse2)();

// The automation error 429 ("ActiveX component can't create object") that
// every export but DllCanUnloadNow gives without SSE2, described as "this
// processor lacks SSE2" (0x800A01AD).
inline constexpr HRESULT kNoSse2Error = static_cast<HRESULT>(0x800A01AD);

}  // namespace trezik::com
