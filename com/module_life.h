// The life of the module trezik.dll: how many PWExtension objects and server
// locks are alive (what DllCanUnloadNow answers from), and the hold that each
// thread's plug-in state keeps on the DLL.
//
// The state holder Form1 outlives the last object (the host may release and
// create again; the meters go on). Its hidden window's procedure and Timer1
// live in this DLL, so the DLL must stay mapped while that window exists:
// - every thread that holds state keeps a reference on the DLL
//   (NoteThreadState), which no FreeLibrary by COM can take away;
// - the unload pass (CanUnloadNow), when no object and no server lock is
//   left, tears the calling thread's state down (the window procedure is
//   restored, the meters saved, the window destroyed) and drops that thread's
//   reference. It answers S_OK only when no thread holds state any more.
// The unload pass is the safe point for the teardown: COM calls
// DllCanUnloadNow from CoFreeUnusedLibraries on the apartment's own thread,
// which owns the window, and not under the loader lock.
//
// A thread that ends holding state (no unload pass) gives up its count as it
// ends, from the loader's thread-detach notification (ThreadEnded); its
// reference on the DLL stays (FreeLibrary is not allowed there), so the DLL
// stays mapped until the process ends. The state itself goes without window
// calls (state/form1.cc). By then the thread's thread-local storage is freed
// (mingw-w64 emulates it and frees it in the TLS callbacks, which the loader
// runs before DllMain), so the threads holding state are also kept in a
// table by thread id, and no thread_local of the DLL has a destructor.
#pragma once

#include "platform/windows_headers.h"

namespace trezik::com {

// A PWExtension object was created, or destroyed, on the calling thread.
// When the thread's last object goes, the thread's meters are saved: the
// host may exit right after, without an unload pass.
void ObjectCreated();
void ObjectDestroyed();

// IClassFactory::LockServer.
void LockServer(bool lock);

// Called after each start-up attempt on the calling thread: when the thread
// now holds plug-in state (Form1 and its hidden window), the DLL takes a
// reference on itself for the thread, so that no unload, not even
// CoUninitialize's, can unmap the code under that window.
void NoteThreadState();

// The unload pass of DllCanUnloadNow: S_FALSE while an object or a server
// lock is alive, or while the thread's plug-in is busy in a send; otherwise the calling thread's state is torn down and its
// reference given back, and the answer is S_OK when no thread holds state
// any more. A failure of the teardown throws; the thread then keeps its
// state and its reference.
HRESULT UnloadPass();

// DllMain's DLL_THREAD_DETACH, under the loader lock: when the ending thread
// holds state, its count is given up and its state freed, without a window
// call and without reading thread-local storage.
void ThreadEnded() noexcept;

}  // namespace trezik::com
