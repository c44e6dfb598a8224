// trezik-report's command line: what it refuses (exit 2, one line, nothing
// written), the date bounds, and a report with no records.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "report/report_test_support.h"
#include "tools/report/cli.h"

namespace trezik::report {
namespace {

constexpr char kFuel[] =
    "\"2026-11-30\",\"07:30:00\",40,500,\"8\",1.6,0.13,\"a\",\"b\",\"c\"\r\n"
    "\"2026-12-01\",\"08:00:00\",35.2,440,\"8\",1.5,0.12,\"a\",\"b\",\"c\"\r\n";

struct Outcome {
  int code;
  std::string out, err;
};

Outcome RunTool(const std::vector<std::string>& arguments) {
  std::ostringstream out, err;
  const int code = RunTrezikReport(arguments, out, err);
  return {code, out.str(), err.str()};
}

TEST(ReportCli, RefusesWithOneLineAndWritesNothing) {
  testing::Scratch scratch;
  const std::string plugin = scratch.Write("plugin/fuel.log", kFuel);
  const std::string out = scratch.Path("out");
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
      {{"-o", out}, "PATH is required; see --help"},
      {{"--metric", scratch.Path("plugin"), "-o", out}, "--metric; see --help"},
  };
  for (const auto& c : cases) {
    const Outcome run = RunTool(c.arguments);
    EXPECT_EQ(run.code, 2) << c.says;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.says;
  }
}

TEST(ReportCli, DatesBoundTheRecordsBothEndsIncluded) {
  testing::Scratch scratch;
  scratch.Write("plugin/fuel.log", kFuel);
  const Outcome run =
      RunTool({"--from", "2026-12-01", "--to", "2026-12-01", scratch.Path("plugin"), "-o", scratch.Path("out")});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(scratch.Read("out/months.csv"),
            "month,distance,fuel,cost,consumption,work_distance\r\n\"2026-12\",440,35.2,52.8,8,0\r\n");
  EXPECT_NE(run.out.find("1 fill-up(s)"), std::string::npos) << run.out;
}

TEST(ReportCli, NoRecordsStillGivesAReportThatSaysSo) {
  testing::Scratch scratch;
  scratch.Write("plugin/tripmeter.log", "");
  const Outcome run = RunTool({scratch.Path("plugin"), "-o", scratch.Path("out")});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(scratch.Read("out/report.html").find("No records"), std::string::npos);
  EXPECT_EQ(scratch.Read("out/trips.csv"), "date,time,trip,total,work,work_added,latitude,longitude,place\r\n");
  EXPECT_NE(run.out.find("no records"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace trezik::report
