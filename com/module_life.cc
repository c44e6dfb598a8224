#include "com/module_life.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/windows_module.h"
#include "state/form1.h"
#include "state/state_file.h"

namespace trezik::com {
namespace {

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};
// Threads whose state holds a reference on the DLL.
std::atomic<long> threads_with_state{0};

// What the calling thread has of the module. Trivially destructible, as
// every thread_local of the DLL must be: the thread-local storage of a
// mingw-w64 build is emulated and freed as the thread ends, before any
// destructor of ours could run, so a thread's end is handled from the
// thread-detach notification through the table below instead.
struct ThreadShare {
  long objects = 0;
  bool holds_state = false;
};
thread_local ThreadShare thread_share;

// The threads that hold state, by thread id, with their state holder: what
// ThreadEnded can still find when the thread's own storage is gone.
struct StateHolder {
  DWORD thread_id;
  Form1* form;
};
SRWLOCK holders_lock = SRWLOCK_INIT;
std::vector<StateHolder>* holders = nullptr;  // never freed: the loader may still call at exit

class HoldersLock {
 public:
  HoldersLock() { AcquireSRWLockExclusive(&holders_lock); }
  ~HoldersLock() { ReleaseSRWLockExclusive(&holders_lock); }
  HoldersLock(const HoldersLock&) = delete;
  HoldersLock& operator=(const HoldersLock&) = delete;
};

// Records (or, with nullptr, forgets) the calling thread's state holder.
void SetStateHolder(Form1* form) {
  const DWORD id = GetCurrentThreadId();
  const HoldersLock lock;
  if (holders == nullptr) holders = new std::vector<StateHolder>();
  auto found = std::find_if(holders->begin(), holders->end(),
                            [id](const StateHolder& holder) { return holder.thread_id == id; });
  if (form == nullptr) {
    if (found != holders->end()) holders->erase(found);
  } else if (found != holders->end()) {
    found->form = form;
  } else {
    holders->push_back({id, form});
  }
}

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
  Form1* form = Form1::Existing();
  if (form == nullptr) return;
  // The same holder, unless it was made anew meanwhile. Recorded before the
  // reference is taken: should the record fail (out of memory), nothing is held.
  try {
    SetStateHolder(form);
  } catch (...) {
    return;
  }
  if (thread_share.holds_state) return;
  HMODULE pinned = nullptr;
  // Without GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT this adds a
  // reference, as LoadLibrary would; the module's base address lies inside it.
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCWSTR>(ThisModule()), &pinned)) {
    thread_share.holds_state = true;
    ++threads_with_state;
  } else {
    SetStateHolder(nullptr);
  }
}

HRESULT UnloadPass() {
  if (live_objects > 0 || server_locks > 0) return S_FALSE;
  if (thread_share.holds_state) {
    // A call of this thread's plug-in is still under way further up the
    // stack (the host released the object inside a reply): not now.
    if (!Form1::Unload()) return S_FALSE;
    SetStateHolder(nullptr);
    thread_share.holds_state = false;
    --threads_with_state;
    // COM still holds its own reference while it asks DllCanUnloadNow, so
    // the DLL stays mapped through the return.
    FreeLibrary(ThisModule());
  }
  return threads_with_state > 0 ? S_FALSE : S_OK;
}

void ThreadEnded() noexcept {
  const DWORD id = GetCurrentThreadId();
  Form1* abandoned = nullptr;
  {
    const HoldersLock lock;
    if (holders == nullptr) return;
    auto found = std::find_if(holders->begin(), holders->end(),
                              [id](const StateHolder& holder) { return holder.thread_id == id; });
    if (found == holders->end()) return;
    abandoned = found->form;
    holders->erase(found);  // no allocation: erasing only moves the rest
    --threads_with_state;
  }
  // The system has destroyed the thread's window and timer with it (or will,
  // unseen by us); freeing the state makes no window call.
  delete abandoned;
}

}  // namespace trezik::com
