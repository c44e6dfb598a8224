// <windows.h> for the Windows-only files, without the macros that would
// rename the seam's methods (SendMessage, CallWindowProc and MoveMemory are
// macros there), so that it can be included before or after platform.h.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#undef SendMessage
#undef CallWindowProc
#undef MoveMemory
// winnt.h turns RtlMoveMemory into memmove; the plug-in copies its message
// records with the kernel32 export itself.
#undef RtlMoveMemory
extern "C" __declspec(dllimport) void WINAPI RtlMoveMemory(void* destination, const void* source,
                                                           SIZE_T length);
