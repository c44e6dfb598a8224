// The server's life cycle through the real trezik.dll: a failing start-up
// fails the creation, the plug-in state outlives its objects and keeps the
// DLL mapped, DllCanUnloadNow tears it down and saves it, a host thread may
// end holding the plug-in, and registration writes and removes every entry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "com_fixture_windows.h"
#include "com/com_registration.h"

namespace trezik::com::testing {
namespace {

using ServerTest = PluginTest;

TEST_F(ServerTest, AFailingStartUpFailsTheCreationWithFileNotFound) {
  // No answer to PWPATH, and no pw.ini in the current folder.
  front_end_.pwpath.clear();
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(folder_.wstring().c_str()));
  PWExtensionInterface* object = reinterpret_cast<PWExtensionInterface*>(0x1);
  const HRESULT hr = Create(&object);
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(hr, static_cast<HRESULT>(0x800A0035));
  EXPECT_EQ(object, nullptr);
  IErrorInfo* info = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  BSTR description = nullptr;
  info->GetDescription(&description);
  EXPECT_NE(std::wstring(description).find(L"pw.ini"), std::wstring::npos) << description;
  SysFreeString(description);
  info->Release();
}

TEST_F(ServerTest, ObjectsOfTheThreadShareOneState) {
  PWExtensionInterface* first = CreateOrFail();
  BSTR command = SysAllocString(L"logwork");
  short result = 0;
  ASSERT_EQ(first->ProcessCommand(&command, nullptr, &result), S_OK);
  first->Release();

  PWExtensionInterface* second = CreateOrFail();
  BSTR name = SysAllocString(L"workrec");
  BSTR shown = nullptr;
  ASSERT_EQ(second->ReturnIndicator(&name, &shown), S_OK);
  EXPECT_STREQ(shown, L"True");
  // Only one hidden window, and the host's replies reach the shared state.
  EXPECT_EQ(FindWindowExA(nullptr, FindWindowA(nullptr, "trezik"), nullptr, "trezik"), nullptr);
  SysFreeString(shown);
  SysFreeString(name);
  SysFreeString(command);
  second->Release();
}

TEST_F(ServerTest, UnloadWaitsForObjectsAndLocksThenSavesTheState) {
  PWExtensionInterface* object = CreateOrFail();
  EXPECT_EQ(can_unload_now_(), S_FALSE);
  FrontEnd::Reply("tripmeter||12.5");  // the host sets the total unasked
  object->Release();

  IClassFactory* factory = nullptr;
  ASSERT_EQ(get_class_object_(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  factory->LockServer(TRUE);
  EXPECT_EQ(can_unload_now_(), S_FALSE);
  EXPECT_NE(FindWindowA(nullptr, "trezik"), nullptr);
  factory->LockServer(FALSE);
  factory->Release();

  EXPECT_EQ(can_unload_now_(), S_OK);
  EXPECT_EQ(FindWindowA(nullptr, "trezik"), nullptr);
  EXPECT_EQ(ReadText(folder_ / "tripmeter.ini"), "12.5\r\n0\r\n");
}

// A shutdown of Windows reaches the hidden window through the reply hook and
// saves the meters, with the object still alive and no teardown to follow.
TEST_F(ServerTest, TheEndOfTheSessionSavesTheTripState) {
  PWExtensionInterface* object = CreateOrFail();
  FrontEnd::Reply("tripmeter||7.5");
  HWND window = FindWindowA(nullptr, "trezik");
  ASSERT_NE(window, nullptr);
  SendMessageA(window, WM_QUERYENDSESSION, 0, 0);
  SendMessageA(window, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(ReadText(folder_ / "tripmeter.ini"), "7.5\r\n0\r\n");
  object->Release();
}

// The state holds its own reference on the DLL.
TEST_F(ServerTest, TheStateKeepsTheDllMappedWhenItsLoaderLetsGo) {
  PWExtensionInterface* object = CreateOrFail();
  object->Release();
  // The loader's (COM's) only reference goes, as CoUninitialize would take
  // it: the window procedure and Timer1 must still be there.
  FreeLibrary(module_);
  module_ = nullptr;
  HMODULE still = GetModuleHandleW(dll_path_.wstring().c_str());
  ASSERT_NE(still, nullptr);
  HWND window = FindWindowA(nullptr, "trezik");
  ASSERT_NE(window, nullptr);
  SendMessageA(window, WM_TIMER, 1, 0);  // a tick runs the trip engine
  FrontEnd::Reply("gpslat||52.5");

  // Take a reference again, as COM does around DllCanUnloadNow, and let go.
  module_ = LoadLibraryW(dll_path_.wstring().c_str());
  ASSERT_EQ(module_, still);
  auto can_unload_now = Export<CanUnloadNowFn>(module_, "DllCanUnloadNow");
  EXPECT_EQ(can_unload_now(), S_OK);
  EXPECT_EQ(FindWindowA(nullptr, "trezik"), nullptr);
  EXPECT_EQ(ReadText(folder_ / "tripmeter.ini"), "0\r\n0\r\n");
}

// ---------------------------------------------------------------- a host that ends untidily

// Where WatchPluginWindows notes what it sees. A plain array: it is read in
// the DLL's process-detach notification, after the program's own static
// objects are gone.
wchar_t watch_log[MAX_PATH];

bool LoaderLockHeldHere() {
  // The process environment block is at fs:0x30 on 32-bit Windows, and its
  // LoaderLock at 0xA0 in it.
  const char* peb = nullptr;
  asm("movl %%fs:0x30, %0" : "=r"(peb));
  const auto* lock = *reinterpret_cast<RTL_CRITICAL_SECTION* const*>(peb + 0xA0);
  return lock != nullptr &&
         reinterpret_cast<DWORD_PTR>(lock->OwningThread) == GetCurrentThreadId();
}

// A WH_CALLWNDPROC hook: notes every message sent to one of the plug-in's
// windows while the loader lock is held, that is from a DLL's attach or
// detach notification, where a window call can deadlock.
LRESULT CALLBACK WatchPluginWindows(int code, WPARAM wparam, LPARAM lparam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
  char class_name[32] = {};
  if (code == HC_ACTION && LoaderLockHeldHere() &&
      GetClassNameA(sent->hwnd, class_name, sizeof class_name) > 0 &&
      std::strncmp(class_name, "trezik.", 7) == 0) {
    char line[64];
    const int length = wsprintfA(line, "message 0x%04X under the loader lock\r\n", sent->message);
    HANDLE file = CreateFileW(watch_log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// A GUI thread of the front end that creates the plug-in and ends holding
// it: no release, no unload pass, no CoUninitialize.
DWORD WINAPI ThreadEndingWithThePlugIn(void* get_class_object) {
  SetWindowsHookExA(WH_CALLWNDPROC, &WatchPluginWindows, nullptr, GetCurrentThreadId());
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  PWExtensionInterface* object = nullptr;
  return CreateThrough(reinterpret_cast<GetClassObjectFn>(get_class_object), &object) == S_OK ? 0 : 1;
}

// The front end of the test below, in a process of its own: a second thread
// ends holding the plug-in; then the main thread creates it, the host sets
// the meter, the object is released, and the process ends with the
// plug-in's state still alive, with neither an unload pass nor FreeLibrary
// nor CoUninitialize.
TEST(UntidyHostTest, DISABLED_Host) {
  wchar_t folder_text[MAX_PATH] = {};
  ASSERT_NE(GetEnvironmentVariableW(L"TREZIK_HOST_FOLDER", folder_text, MAX_PATH), 0u);
  const std::filesystem::path folder = folder_text;
  wcscpy(watch_log, (folder / "loader-lock.log").wstring().c_str());
  FrontEnd front_end;
  front_end.pwpath = HostFolder(folder);
  HMODULE module = LoadLibraryW((folder / "trezik.dll").wstring().c_str());
  ASSERT_NE(module, nullptr);
  auto get_class_object = Export<GetClassObjectFn>(module, "DllGetClassObject");

  HANDLE thread = CreateThread(nullptr, 0, &ThreadEndingWithThePlugIn,
                               reinterpret_cast<void*>(get_class_object), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  // The front end answers the thread's start-up request while it waits.
  const ULONGLONG end = GetTickCount64() + 30000;
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0 &&
         GetTickCount64() < end) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  DWORD thread_status = STILL_ACTIVE;
  GetExitCodeThread(thread, &thread_status);
  CloseHandle(thread);
  ASSERT_EQ(thread_status, 0u);
  // The system took the ended thread's window away.
  ASSERT_EQ(FindWindowA(nullptr, "trezik"), nullptr);

  SetWindowsHookExA(WH_CALLWNDPROC, &WatchPluginWindows, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  PWExtensionInterface* object = nullptr;
  ASSERT_EQ(CreateThrough(get_class_object, &object), S_OK);
  FrontEnd::Reply("tripmeter||12.5");
  object->Release();
}

// Runs the host above and waits for it: it must exit with 0 and soon, no
// message may have reached the plug-in's windows under the loader lock, and
// the last release must have saved the meters.
TEST(UntidyHostTest, AHostThatEndsWithoutTidyingUpExitsCleanlyWithItsMetersSaved) {
  const std::filesystem::path folder = MakePluginFolder();
  ASSERT_TRUE(SetEnvironmentVariableW(L"TREZIK_HOST_FOLDER", folder.wstring().c_str()));
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) +
                         L"\" --gtest_filter=UntidyHostTest.DISABLED_Host"
                         L" --gtest_also_run_disabled_tests";
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE output = CreateFileW((folder / "host.log").wstring().c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &process));
  CloseHandle(output);
  CloseHandle(process.hThread);
  const DWORD waited = WaitForSingleObject(process.hProcess, 60000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);

  EXPECT_EQ(waited, WAIT_OBJECT_0) << "the host did not exit within a minute";
  EXPECT_EQ(status, 0u) << ReadText(folder / "host.log");
  EXPECT_EQ(ReadText(folder / "loader-lock.log"), "");
  EXPECT_EQ(ReadText(folder / "tripmeter.ini"), "12.5\r\n0\r\n");
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

// The whole path a front end takes: registry, ProgID, CoCreateInstance, and
// COM's own unloading of the DLL, after which the thread pumps on.
TEST_F(ServerTest, RegistrationIsCompleteAndUnregistrationLeavesNothing) {
  auto register_server = Export<RegisterFn>(module_, "DllRegisterServer");
  auto unregister_server =
Export<RegisterFn>(module_, "DllUnregisterServer");
  ASSERT_NE(register_server, nullptr);
  ASSERT_NE(unregister_server, nullptr);
  ASSERT_EQ(register_server(), S_OK);

  const auto read = [](const std::string& key, const char* value) {
    char data[MAX_PATH] = {};
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
      return std::string("<missing>");
    }
    return std::string(data);
  };
  for (const RegistryEntry& entry : RegistrationEntries(dll_path_.string())) {
    EXPECT_EQ(read(entry.key, entry.value_name.empty() ? nullptr : entry.value_name.c_str()),
              entry.data)
        << entry.key << " " << entry.value_name;
  }
  EXPECT_EQ(read("CLSID\\" + GuidText(kClassId) + "\\InprocServer32", "ThreadingModel"), "Apartment");
  const std::string library_key = "TypeLib\\" + GuidText(kLibraryId) + "\\1.0\\409\\win32";
  EXPECT_NE(read(library_key, nullptr), "<missing>");
  EXPECT_NE(read("Interface\\" + GuidText(kInterfaceId), nullptr), "<missing>");

  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(L"trezik.PWExtension", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kClassId));
  IDispatch* object = nullptr;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&object)),
            S_OK);
  object->Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(FindWindowA(nullptr, "trezik"), nullptr);
  // Past a tick: nothing of the plug-in is left to run.
  MSG message;
  const DWORD end = GetTickCount() + 1200;
  while (GetTickCount() < end) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(50);
  }

  ASSERT_EQ(unregister_server(), S_OK);
  for (const std::string& root : RegistrationRoots()) {
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, root.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS)
        << root;
  }
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, ("TypeLib\\" + GuidText(kLibraryId)).c_str(), 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, ("Interface\\" + GuidText(kInterfaceId)).c_str(), 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  EXPECT_NE(CLSIDFromProgID(L"trezik.PWExtension", &clsid), S_OK);
}

}  // namespace
}  // namespace trezik::com::testing
