// Test support for the COM server: a copy of the built trezik.dll in a fresh
// folder (its trezikdir), loaded by hand, and a stand-in front-end window
// titled "PathWarden" on the test's thread that answers "PWPATH" with a
// folder holding pw.ini, nested inside the plug-in's send.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "com/com_interface.h"

namespace trezik::com::testing {

inline std::filesystem::path BuiltDll() {
  // The build passes the DLL's path as the build machine wrote it; under
  // wine a POSIX path is reached through the Z: drive.
  std::string path = TREZIK_DLL_PATH;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return std::filesystem::path(path);
}

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The front end's window: answers PWPATH with pwpath (when not empty) and
// records every text it receives.
class FrontEnd {
 public:
  static FrontEnd*& Current() {
    static FrontEnd* current = nullptr;
    return current;
  }

  FrontEnd() {
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &FrontEnd::Procedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "trezik.TestFrontEnd";
    RegisterClassExA(&window_class);
    window_ = CreateWindowExA(0, window_class.lpszClassName, "PathWarden", WS_OVERLAPPED, 0, 0, 10,
                              10, nullptr, nullptr, window_class.hInstance, nullptr);
    Current() = this;
  }
  ~FrontEnd() {
    Current() = nullptr;
    DestroyWindow(window_);
  }
  FrontEnd(const FrontEnd&) = delete;
  FrontEnd& operator=(const FrontEnd&) = delete;

  std::string pwpath;
  std::vector<std::string> received;

  // Sends a reply to the plug-in's window, as the front end does.
  static void Reply(const std::string& text) {
    HWND plugin = FindWindowA(nullptr, "trezik");
    if (plugin == nullptr) return;
    COPYDATASTRUCT record = {1, static_cast<DWORD>(text.size()), const_cast<char*>(text.data())};
    SendMessageA(plugin, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record));
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    FrontEnd* self = Current();
    if (message == WM_COPYDATA && self != nullptr) {
      const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
      const std::string text(static_cast<const char*>(record->lpData), record->cbData);
      self->received.push_back(text);
      if (text == "REQUEST;trezik;PWPATH" && !self->pwpath.empty()) Reply("pwpath||" + self->pwpath);
      return 1;
    }
    return DefWindowProcA(window, message, wparam, lparam);
  }

  HWND window_ = nullptr;
};

using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using RegisterFn = HRESULT(STDAPICALLTYPE*)();

// An export of the DLL as the function type it has.
template <class Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Creates a PWExtension through the DLL's class factory, start-up included.
inline HRESULT CreateThrough(GetClassObjectFn get_class_object, PWExtensionInterface** object) {
  IClassFactory* factory = nullptr;
  HRESULT hr = get_class_object(kClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, kInterfaceId, reinterpret_cast<void**>(object));
  factory->Release();
  return hr;
}

// A fresh folder named after the running test, holding a copy of trezik.dll
// and, in its subfolder "pw", the front end's pw.ini.
inline std::filesystem::path MakePluginFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::filesystem::path folder =
      std::filesystem::path(temp) / ("trezik-" + std::string(info->test_suite_name()) + "-" +
                                     info->name() + "-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "pw");
  std::ofstream(folder / "pw" / "pw.ini", std::ios::binary) << "isunits=true\r\n";
  std::filesystem::copy_file(BuiltDll(), folder / "trezik.dll");
  return folder;
}

// The host folder the front end answers PWPATH with.
inline std::string HostFolder(const std::filesystem::path& plugin_folder) {
  return (plugin_folder / "pw").string() + "\\";
}

// A folder from MakePluginFolder, the DLL loaded from there, COM initialised
// on the thread.
class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    folder_ = MakePluginFolder();
    dll_path_ = folder_ / "trezik.dll";
    front_end_.pwpath = HostFolder(folder_);
    module_ = LoadLibraryW(dll_path_.wstring().c_str());
    ASSERT_NE(module_, nullptr) << dll_path_.string();
    can_unload_now_ = Export<CanUnloadNowFn>(module_, "DllCanUnloadNow");
    get_class_object_ = Export<GetClassObjectFn>(module_, "DllGetClassObject");
    ASSERT_NE(can_unload_now_, nullptr);
    ASSERT_NE(get_class_object_, nullptr);
  }

  void TearDown() override {
    if (module_ != nullptr) {
      // Tears the thread's plug-in state down (the trip state is saved), so
      // that the DLL may go.
      if (can_unload_now_ != nullptr) can_unload_now_();
      FreeLibrary(module_);
    }
    CoUninitialize();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  HRESULT Create(PWExtensionInterface** object) { return CreateThrough(get_class_object_, object); }

  PWExtensionInterface* CreateOrFail() {
    PWExtensionInterface* object = nullptr;
    const HRESULT hr = Create(&object);
    EXPECT_EQ(hr, S_OK);
    return object;
  }

  FrontEnd front_end_;
  std::filesystem::path folder_;
  std::filesystem::path dll_path_;
  HMODULE module_ = nullptr;
  CanUnloadNowFn can_unload_now_ = nullptr;
  GetClassObjectFn get_class_object_ = nullptr;
};

}  // namespace trezik::com::testing
