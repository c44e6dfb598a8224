#include "com/module_life.h"

#include <atomic>

#include "platform/windows_module.h"
#include "state/form1.h"
#include "state/state_file.h"

namespace trezik::com {
namespace {

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};
// Threads whose state holds a reference on the DLL.
std::atomic<long> threads_with_state{0};

// What the calling thread has of the module.
struct ThreadShare {
  long objects = 0;
  bool holds_state = false;
  // The thread ends still holding state: this runs in the loader's detach
  // notification, under the loader lock, so it only gives up the count (see
  // module_life.h).
  ~ThreadShare() {
    if (holds_state) --threads_with_state;
  }
};
thread_local ThreadShare thread_share;

}  // namespace

void ObjectCreated() {
  ++live_objects;
  ++thread_share.objects;
}

void ObjectDestroyed() {
  --live_objects;
  if (--thread_share.objects > 0) return;
  thread_share.objects = 0;
  // AutoSaveMeters writes only meters that start-up loaded and that changed,
  // and never throws.
  if (Form1* form = Form1::Existing()) AutoSaveMeters(*form);
}

void LockServer(bool lock) {
  if (lock) {
    ++server_locks;
  } else {
    --server_locks;
  }
}

void NoteThreadState() {
  if (thread_share.holds_state || Form1::Existing() == nullptr) return;
  HMODULE pinned = nullptr;
  // Without GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT this adds a
  // reference, as LoadLibrary would; the module's base address lies inside it.
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCWSTR>(ThisModule()), &pinned)) {
    thread_share.holds_state = true;
    ++threads_with_state;
  }
}

HRESULT UnloadPass() {
  if (live_objects > 0 || server_locks > 0) return S_FALSE;
  if (thread_share.holds_state) {
    // A call of this thread's plug-in is still under way further up the
    // stack (the host released the object inside a reply): not now.
    if (!Form1::Unload()) return S_FALSE;
    thread_share.holds_state = false;
    --threads_with_state;
    // COM still holds its own reference while it asks DllCanUnloadNow, so
    // the DLL stays mapped through the return.
    FreeLibrary(ThisModule());
  }
  return threads_with_state > 0 ? S_FALSE : S_OK;
}

}  // namespace trezik::com
