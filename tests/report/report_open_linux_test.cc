// trezik-report --open on Linux: the page handed to xdg-open when one is on
// the PATH (here a script that records its argument), where the page is
// when none is, and a folder with no log yet (or an empty one) giving the page
// that says so.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "report/report_test_support.h"
#include "tools/report/trezik_report.h"

namespace trezik::report {
namespace {

constexpr char kFuel[] = "\"2026-11-30\",\"07:30:00\",40,500,\"8\",1.6,0.13,\"a\",\"b\",\"c\"\r\n";

// PATH set to one folder for the test's life.
class PathOnly {
 public:
  explicit PathOnly(const std::string& folder) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    ::setenv("PATH", folder.c_str(), 1);
  }
  ~PathOnly() { ::setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

using testing::Outcome;
using testing::RunTool;

TEST(ReportOpen, HandsThePageToXdgOpenOrSaysWhereItIs) {
  testing::Scratch scratch;
  scratch.Write("plugin/fuel.log", kFuel);
  const std::string page = scratch.Path("out/report.html");
  // A stand-in for xdg-open that writes what it was given.
  const std::string opener = scratch.Write("bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.got\"\n");
  ::chmod(opener.c_str(), 0755);
  std::filesystem::create_directories(scratch.Path("nobin"));

  {
    PathOnly path(scratch.Path("bin"));
    const Outcome run = RunTool({"--open", scratch.Path("plugin"), "-o", scratch.Path("out")});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("opened " + page + "\n"), std::string::npos) << run.out;
    for (int i = 0; i < 100 && scratch.Read("bin/xdg-open.got").empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(scratch.Read("bin/xdg-open.got"), page);
  }
  {
    PathOnly path(scratch.Path("nobin"));
    const Outcome run = RunTool({"--open", scratch.Path("plugin"), "-o", scratch.Path("out")});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("open " + page + " in a browser\n"), std::string::npos) << run.out;
  }
}

TEST(ReportOpen, NoLogYetGivesAPageNamingTheFolderOnlyWithOpen) {
  testing::Scratch scratch;
  std::filesystem::create_directories(scratch.Path("fresh"));
  scratch.Write("fresh/fuel.log", "");  // a first append that failed leaves an empty log
  PathOnly path(scratch.Path("fresh"));  // no opener

  const Outcome refused = RunTool({scratch.Path("fresh"), "-o", scratch.Path("out")});
  EXPECT_EQ(refused.code, 2);
  EXPECT_FALSE(std::filesystem::exists(scratch.Path("out")));

  const Outcome opened = RunTool({"--open", scratch.Path("fresh"), "-o", scratch.Path("out")});
  ASSERT_EQ(opened.code, 0) << opened.err;
  const std::string html = scratch.Read("out/report.html");
  EXPECT_NE(html.find("id=\"no-logs\""), std::string::npos);
  EXPECT_NE(html.find("<code>" + scratch.Path("fresh") + "</code>"), std::string::npos) << html;
  EXPECT_FALSE(std::filesystem::exists(scratch.Path("out/months.csv")));
}

}  // namespace
}  // namespace trezik::report
