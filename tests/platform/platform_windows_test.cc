// What only the real Windows side of the seam can show: Win32 error codes as
// typed errors, files in a folder named outside the ANSI code page, the
// hidden window as the system sees it, and a sender on another thread
// released by ReplyMessage while its message is handled.
#include <gtest/gtest.h>

#include <thread>

#include "platform/platform.h"
#include "platform/windows_error.h"
#include "platform/windows_headers.h"

namespace trezik {
namespace {

TEST(WindowsErrorTest, Win32CodesBecomeTheirKinds) {
  const struct {
    DWORD code;
    ErrorKind kind;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, ErrorKind::kFileNotFound},
      {ERROR_PATH_NOT_FOUND, ErrorKind::kPathNotFound},
      {ERROR_ACCESS_DENIED, ErrorKind::kPermissionDenied},
      {ERROR_SHARING_VIOLATION, ErrorKind::kPermissionDenied},
      {ERROR_DISK_FULL, ErrorKind::kDiskFull},
      {ERROR_HANDLE_DISK_FULL, ErrorKind::kDiskFull},
      {ERROR_INVALID_NAME, ErrorKind::kFileIo},
      {ERROR_LOCK_VIOLATION, ErrorKind::kFileIo},
  };
  for (const auto& c : cases) {
    const Error error = WindowsError("cannot open \"x\"", c.code);
    EXPECT_EQ(error.kind(), c.kind) << c.code;
    EXPECT_EQ(std::string(error.what()).rfind("cannot open \"x\": ", 0), 0u) << error.what();
  }
}

TEST(WindowsFileTest, AFileHeldOpenWithoutSharingIsPermissionDenied) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "trezik-locked-" +
                           std::to_string(GetCurrentProcessId()) + ".ini";
  Platform& platform = SystemPlatform();
  platform.WriteNewFile(path, "1\r\n");
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    platform.WriteNewFile(path, "2\r\n");
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.kind(), ErrorKind::kPermissionDenied) << error.what();
  }
  CloseHandle(held);
  EXPECT_EQ(platform.ReadFile(path, 64), "1\r\n");
  platform.RemoveFile(path);
}

// The seam's UTF-8 paths name the true files: Windows itself finds them
// under their UTF-16 names, and an error names the path as it was given.
TEST(WindowsFileTest, AFolderNamedOutsideTheAnsiCodePageHoldsTheFiles) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
  const std::wstring folder = temp + (L"\x041F\x0440\x043E\x0431\x0435\x0433-" + suffix);
  // Left over from an earlier run that failed is as good.
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  char narrow_temp[MAX_PATH * 3];
  WideCharToMultiByte(CP_UTF8, 0, temp, -1, narrow_temp, sizeof narrow_temp, nullptr, nullptr);
  const std::string utf8_folder = narrow_temp +
                                  ("\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB1\xD0\xB5\xD0\xB3-" +
                                   std::to_string(GetCurrentProcessId()) + "\\");
  Platform& platform = SystemPlatform();

  platform.WriteNewFile(utf8_folder + "tripmeter.ini.new", "583.6\r\n");
  platform.ReplaceFileByRename(utf8_folder + "tripmeter.ini.new", utf8_folder + "tripmeter.ini");
  platform.AppendToFile(utf8_folder + "tripmeter.ini", "12\r\n");
  EXPECT_NE(GetFileAttributesW((folder + L"\\tripmeter.ini").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((folder + L"\\tripmeter.ini.new").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(platform.FileSize(utf8_folder + "tripmeter.ini"), 11u);
  EXPECT_EQ(platform.ReadFile(utf8_folder + "tripmeter.ini", 64), "583.6\r\n12\r\n");
  try {
    platform.ReadFile(utf8_folder + "fuel.log", 64);
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.kind(), ErrorKind::kFileNotFound);
    EXPECT_NE(std::string(error.what()).find(utf8_folder + "fuel.log"), std::string::npos)
        << error.what();
  }
  platform.RemoveFile(utf8_folder + "tripmeter.ini");
  EXPECT_EQ(GetFileAttributesW((folder + L"\\tripmeter.ini").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
}

std::intptr_t TREZIK_CALLBACK Quiet(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wparam, std::intptr_t lparam) {
  return DefWindowProcA(reinterpret_cast<HWND>(window), message, wparam, lparam);
}

TEST(HiddenWindowTest, IsTopLevelInvisibleOwnedByTheThreadAndRunsItsProcedure) {
  Platform& platform = SystemPlatform();
  const WindowHandle handle = platform.CreateHiddenWindow("trezik-hidden-test", &Quiet);
  ASSERT_NE(handle, 0u);
  HWND window = reinterpret_cast<HWND>(handle);
  EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());
  EXPECT_EQ(GetWindowLongA(window, GWL_WNDPROC), reinterpret_cast<LONG>(&Quiet));
  EXPECT_EQ(platform.FindWindowByTitle("TREZIK-Hidden-Test"), handle);
  platform.DestroyWindow(handle);
  EXPECT_FALSE(IsWindow(window));
}

TEST(SystemValuesTest, ModuleFolderDecimalMarkAndTimeComeFromTheSystem) {
  Platform& platform = SystemPlatform();
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);  // this test program
  std::string expected(path, length);
  expected.erase(expected.find_last_of('\\') + 1);
  EXPECT_EQ(platform.ModuleFolder(), expected);

  char mark[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, mark, sizeof mark);
  EXPECT_EQ(platform.DecimalMark(), mark[0]);

  SYSTEMTIME before;
  GetLocalTime(&before);
  const LocalTime now = platform.Now();
  EXPECT_EQ(now.year, before.wYear);
  EXPECT_GE(now.seconds_since_midnight, 0.0);
  EXPECT_LT(now.seconds_since_midnight, 86400.0);
  EXPECT_NEAR(now.seconds_since_midnight,
              before.wHour * 3600.0 + before.wMinute * 60.0 + before.wSecond, 2.0);
}

// The receiver's side of a cross-thread send, as the plug-in is when a host
// in another thread or process answers: ReplyMessage releases the sender at
// once with its value, whatever the procedure returns later.
bool replied_on_receipt = false;

std::intptr_t TREZIK_CALLBACK Receiver(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t wparam, std::intptr_t lparam) {
  if (message == kWmCopyData) {
    replied_on_receipt = SystemPlatform().ReplyMessage(1);
    return 0;
  }
  return Quiet(window, message, wparam, lparam);
}

TEST(CrossThreadTest, ReplyMessageReleasesASenderOnAnotherThread) {
  Platform& platform = SystemPlatform();
  const WindowHandle receiver = platform.CreateHiddenWindow("trezik-receiver-test", &Receiver);
  ASSERT_NE(receiver, 0u);
  std::intptr_t result = -1;
  std::thread other([&] {
    char text[] = "abc";
    CopyDataRecord record{1, 3, text};
    result = SystemPlatform().SendMessage(receiver, kWmCopyData, 0,
                                          reinterpret_cast<std::intptr_t>(&record));
  });
  for (int i = 0; i < 40 && !replied_on_receipt; ++i) platform.PumpMessagesFor(50);
  other.join();
  EXPECT_TRUE(replied_on_receipt);
  EXPECT_EQ(result, 1);  // ReplyMessage's value, not the procedure's 0
  // On the receiver's own thread there is no one to release.
  EXPECT_FALSE(platform.ReplyMessage(1));
  platform.DestroyWindow(receiver);
}

}  // namespace
}  // namespace trezik
