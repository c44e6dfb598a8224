// The unit system told by the fill-ups themselves, the options that
// override it, and the one line for each log that disagrees.
#include <gtest/gtest.h>

#include "report/report_test_support.h"
#include "tools/report/report.h"

namespace trezik::report {
namespace {

// 40 L over 500 km is 8 L/100 km (500 / 40 = 12.5 would be mpg); 10 gal over
// 300 mi is 30 mpg (10 / 300 x 100 = 3.33 would be L/100 km).
constexpr char kMetric[] = "\"2026-11-05\",\"07:30:00\",40,500,\"8\",1.6,0.13,\"a\",\"b\",\"c\"\r\n";
constexpr char kImperial[] = "\"2026-11-06\",\"07:30:00\",10,300,\"30\",3.5,0.12,\"a\",\"b\",\"c\"\r\n";
constexpr char kImperial2[] = "\"2026-11-07\",\"07:30:00\",12,360,\"30,0\",3.5,0.12,\"a\",\"b\",\"c\"\r\n";
// 10 L over 100 km: 10 L/100 km and 10 km/L alike, so it tells nothing.
constexpr char kEither[] = "\"2026-11-08\",\"07:30:00\",10,100,\"10\",1.5,0.15,\"a\",\"b\",\"c\"\r\n";

TEST(ReportUnits, ToldByTheFillUpsOverriddenByAnOptionAndEachDisagreeingLogNamed) {
  const struct {
    const char* name;
    std::vector<std::pair<const char*, std::string>> logs;  // folder, fuel.log
    bool imperial, metric;
    UnitSystem shown;
    std::vector<const char*> notes;  // the folders named in a note, in order
  } cases[] = {
      {"metric alone", {{"a", kMetric}}, false, false, UnitSystem::kMetric, {}},
      {"imperial alone", {{"a", std::string(kImperial) + kImperial2}}, false, false, UnitSystem::kImperial, {}},
      {"nothing tells: metric", {{"a", kEither}}, false, false, UnitSystem::kMetric, {}},
      {"imperial shown as metric", {{"a", kImperial}}, false, true, UnitSystem::kMetric, {"a"}},
      {"metric shown as imperial", {{"a", kMetric}, {"b", kImperial}}, true, false, UnitSystem::kImperial, {"a"}},
      {"two logs, most fill-ups imperial", {{"a", kMetric}, {"b", std::string(kImperial) + kImperial2}}, false,
       false, UnitSystem::kImperial, {"a"}},
      {"one log of both", {{"a", std::string(kMetric) + kImperial + kImperial2}}, false, false,
       UnitSystem::kImperial, {"a"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::Scratch scratch;
    std::vector<std::string> paths;
    for (const auto& [folder, log] : c.logs) {
      scratch.Write(std::string(folder) + "/fuel.log", log);
      paths.push_back(scratch.Path(folder));
    }
    ReportOptions options;
    options.imperial = c.imperial;
    options.metric = c.metric;
    const Report report = WriteReport(paths, scratch.Path("out"), options);
    EXPECT_EQ(report.units.system, c.shown);
    ASSERT_EQ(report.notes.size(), c.notes.size());
    for (std::size_t i = 0; i < c.notes.size(); ++i) {
      EXPECT_EQ(report.notes[i].rfind(scratch.Path(c.notes[i]) + "/fuel.log: ", 0), 0u) << report.notes[i];
      EXPECT_NE(report.notes[i].find("the report shows " + UnitName(c.shown)), std::string::npos) << report.notes[i];
    }
    EXPECT_NE(scratch.Read("out/report.html").find("Units: " + UnitName(c.shown)), std::string::npos);
  }
}

}  // namespace
}  // namespace trezik::report
