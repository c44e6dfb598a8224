#include "state/form1.h"

#include <thread>

#include "support/plugin_fixture.h"

namespace trezik {
namespace {

class Form1Test : public testing::PluginFixture {};

TEST_F(Form1Test, AFreshInstanceHoldsTheStartValues) {
  Form1& form = Form1::Get();
  EXPECT_EQ(form.workmeter, "0");
  EXPECT_EQ(form.trip_total, "0");
  EXPECT_EQ(form.distance, "0");
  EXPECT_EQ(form.prevlat, "prevlat");
  EXPECT_EQ(form.prevlon, "prevlon");
  EXPECT_EQ(form.gpslat, "gpslat");
  EXPECT_EQ(form.gpslon, "gpslon");
  EXPECT_EQ(form.startdate, 0);
  EXPECT_FALSE(form.metric_units);
  EXPECT_EQ(form.multiplier, 0.0);
  EXPECT_EQ(form.dp, 0);
  EXPECT_EQ(form.trezikdir, "");
  EXPECT_TRUE(form.timer1_enabled());
  EXPECT_EQ(platform_.FindWindowByTitle("trezik"), form.hwnd());
}

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
    Form1::Unload();
  });
  other.join();
  EXPECT_FALSE(existed);
  EXPECT_NE(there, here);
  EXPECT_EQ(here->distance, "0");
}

TEST_F(Form1Test, UnloadRestoresTheWindowProcedureThenRemovesTheWindow) {
  Form1& form = Form1::Get();
  form.trezikdir = platform_.module_folder;
  form.set_handlers({.final_save = [](Form1& f) { f.UpdateINI(); }});
  ASSERT_NE(form.hwnd(), 0u);
  Form1::Unload();
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
