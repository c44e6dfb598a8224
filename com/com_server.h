// The in-process server around the plug-in: its module, the counts that
// DllCanUnloadNow answers from, and the plug-in state's hold on the DLL.
#pragma once

#include "platform/windows_headers.h"

namespace trezik::com {

// The module that holds this code (trezik.dll).
HMODULE ThisModule();

// Live PWExtension objects.
void ObjectCreated();
void ObjectDestroyed();

// IClassFactory::LockServer.
void LockServer(bool lock);

// Called after each start-up attempt on the calling thread: when the thread
// now holds plug-in state (Form1 and its hidden window, whose procedure and
// Timer1 live in this DLL), the DLL takes a reference on itself, so that no
// unload, not even CoUninitialize's, can unmap the code under that window.
void NoteThreadState();

// The creation of one PWExtension object, start-up included.
HRESULT CreatePWExtension(REFIID riid, void** object);

}  // namespace trezik::com
