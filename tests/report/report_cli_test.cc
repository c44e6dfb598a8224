// trezik-report's command line: what it refuses (exit 2, one line, nothing
// written: usage errors, and input that cannot make a report), the date
// bounds, and --version.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "report/report_test_support.h"
#include "tools/report/trezik_report.h"

namespace trezik::report {
namespace {

constexpr char kFuel[] =
    "\"2026-11-30\",\"07:30:00\",40,500,\"8\",1.6,0.13,\"a\",\"b\",\"c\"\r\n"
    "\"2026-12-01\",\"08:00:00\",35.2,440,\"8\",1.5,0.12,\"a\",\"b\",\"c\"\r\n";

using testing::Outcome;
using testing::RunTool;

TEST(ReportCli, RefusesWithOneLineAndWritesNothing) {
  testing::Scratch scratch;
  scratch.Write("plugin/fuel.log", kFuel);
  std::filesystem::create_directories(scratch.Path("empty"));
  scratch.Write("blank/tripmeter.log", "\r\n  \r\n");
  scratch.Write("garbage/fuel.log", "GIF89a\nnot,a,log\nstill \"not\" one\n");
  scratch.Write("binary.dat", std::string("\x7f" "ELF\0\0\0\x01\n\0\0", 11));
  const std::string out = scratch.Path("out/report");
  const struct {
    std::vector<std::string> arguments;
    const char* says;
  } cases[] = {
      {{scratch.Path("plugin"), scratch.Path("nothere"), "-o", out}, "nothere: no such file or folder"},
      {{"--from", "2026-02-30", scratch.Path("plugin"), "-o", out},
       "\"2026-02-30\" is not a date (YYYY-MM-DD); see --help"},
      {{"--to", "7.12.2026", scratch.Path("plugin"), "-o", out},
       "\"7.12.2026\" is not a date (YYYY-MM-DD); see --help"},
      {{"--from", "2026-12-02", "--to", "2026-12-01", scratch.Path("plugin"), "-o", out}, "after --to"},
      {{"-o", out}, "no log given: name a plug-in folder or a log file; see --help"},
      {{"--bogus", scratch.Path("plugin"), "-o", out}, "trezik-report: unknown option --bogus; see --help"},
      {{"--metric", "--imperial", scratch.Path("plugin"), "-o", out}, "give one of the two; see --help"},
      {{scratch.Path("plugin"), "-o", out, "--currency"}, "--currency needs a value; see --help"},
      // Input that holds nothing to report.
      {{scratch.Path("empty"), "-o", out}, "no tripmeter.log or fuel.log to read"},
      {{scratch.Path("blank"), "-o", out}, "no record in the logs read"},
      {{scratch.Path("garbage"), "-o", out}, "garbage/fuel.log: not a trip or fuel log: none of its 3 line(s)"},
      {{scratch.Path("binary.dat"), "-o", out}, "binary.dat: not a trip or fuel log: none of its 2 line(s) is a "
                                                "record (line 1: binary data (byte 0x7F at column 1))"},
      {{scratch.Path("plugin"), scratch.Path("garbage"), "-o", out}, "garbage/fuel.log: not a trip or fuel log"},
  };
  for (const auto& c : cases) {
    const Outcome run = RunTool(c.arguments);
    EXPECT_EQ(run.code, 2) << c.says;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(std::filesystem::exists(scratch.Path("out"))) << c.says;
  }
}

TEST(ReportCli, VersionAndAHistoryWithSomeBadLinesIsReported) {
  const Outcome version = RunTool({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out.rfind("trezik-report ", 0), 0u) << version.out;

  testing::Scratch scratch;
  scratch.Write("plugin/fuel.log", std::string(kFuel) + "not a record\r\n");
  const Outcome run = RunTool({scratch.Path("plugin"), "-o", scratch.Path("out"), "--currency", "EUR"});
  ASSERT_EQ(run.code, 0) << run.err;
  // 64 + 52.8 = 116.8 EUR.
  EXPECT_NE(run.out.find(", 116.80 EUR, "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("1 line(s) not read"), std::string::npos) << run.out;
}

TEST(ReportCli, DatesBoundTheRecordsBothEndsIncluded) {
  testing::Scratch scratch;
  scratch.Write("plugin/fuel.log", kFuel);
  const Outcome run =
      RunTool({"--from", "2026-12-01", "--to", "2026-12-01", scratch.Path("plugin"), "-o", scratch.Path("out")});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(scratch.Read("out/months.csv"),
            "month,distance,fuel,cost,consumption,work_distance,trip_distance,trips,trip_records,fill_ups,"
            "cost_per_distance\r\n\"2026-12\",440,35.2,52.80,8.00,0,0,0,0,1,0.120\r\n");
  EXPECT_NE(run.out.find("1 fill-up(s)"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace trezik::report
