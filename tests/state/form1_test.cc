#include "state/form1.h"

#include <thread>

#include "hostlink/hook.h"
#include "plugin/pwextension.h"
#include "support/plugin_fixture.h"

namespace trezik {
namespace {

class Form1Test : public testing::PluginFixture {};

// What a driver sees on a first start: every meter at 0, and the state file
// created holding them.
TEST_F(Form1Test, AFirstStartShowsTheMetersAtZeroAndCreatesTheStateFile) {
  StartHost();
  WriteHostSettings("isunits=True\r\n");
  PWExtension plugin;
  for (const char* label : {"tripmeter", "triptotal", "workmeter"}) {
    EXPECT_EQ(plugin.ReturnLabel(label, ""), "0") << label;
  }
  EXPECT_EQ(plugin.ReturnIndicator("workrec"), "False");
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "0\r\n0\r\n");
  EXPECT_EQ(platform_.FindWindowByTitle("trezik"), Form1::Get().hwnd());
}

// A second thread makes its own instance, hooks a window, unloads and ends:
// nothing of the instance may run on the ended thread's freed storage (the
// wine run fills freed memory, so a read of it fails here at once).
TEST_F(Form1Test, OneInstancePerThread) {
  Form1* here = &Form1::Get();
  EXPECT_EQ(&Form1::Get(), here);
  Form1* there = nullptr;
  bool existed = true;
  std::thread other([&] {
#if !defined(_WIN32)
    EmulatedPlatform platform;
    ScopedPlatform use(platform);
#endif
    existed = Form1::Existing() != nullptr;
    there = &Form1::Get();
    there->distance = "5";
    there->trezikdir = platform_.module_folder;
    HookWindow(there->hwnd());
    Form1::Unload();
  });
  other.join();
  EXPECT_FALSE(existed);
  EXPECT_NE(there, here);
  EXPECT_EQ(here->distance, "0");
}

// The final save runs with the window's own procedure back in place: a
// reply that arrives then is no longer parsed.
TEST_F(Form1Test, UnloadRestoresTheWindowProcedureThenRemovesTheWindow) {
  Form1& form = Form1::Get();
  form.trezikdir = platform_.module_folder;
  HookWindow(form.hwnd());
  static std::string latitude_at_save;
  form.set_handlers({.final_save = [](Form1& f) {
    char reply[] = "gpslat||9";
    CopyDataRecord record{1, 9, reply};
    CurrentPlatform().SendMessage(f.hwnd(), kWmCopyData, 0, reinterpret_cast<std::intptr_t>(&record));
    latitude_at_save = f.gpslat;
    f.UpdateINI();
  }});
  ASSERT_NE(form.hwnd(), 0u);
  EXPECT_TRUE(Form1::Unload());
  EXPECT_EQ(latitude_at_save, "gpslat");
  EXPECT_EQ(Form1::Existing(), nullptr);
  EXPECT_EQ(platform_.FindWindowByTitle("trezik"), 0u);
  EXPECT_EQ(ReadPluginFile("tripmeter.ini"), "0\r\n0\r\n");
}

TEST_F(Form1Test, NumbersUseTheUsersMark) {
  Form1::Unload();
  platform_.decimal_mark = ',';
  Form1& form = Form1::Get();
  EXPECT_EQ(form.Text(2.5), "2,5");
  EXPECT_EQ(form.Number("2,5"), 2.5);
  EXPECT_THROW(form.Number("2.5"), Error);
}

}  // namespace
}  // namespace trezik
