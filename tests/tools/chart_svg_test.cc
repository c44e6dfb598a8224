#include "tools/simulator/chart_svg.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "drive_test_support.h"
#include "tools/simulator/summary.h"

namespace trezik::drive {
namespace {

TEST(ChartSvg, NiceStepsAreOneTwoOrFiveTimesAPowerOfTen) {
  const struct {
    double span;
    int count;
    double step;
  } cases[] = {{100, 5, 20}, {101, 5, 50}, {29.5, 10, 5}, {1, 4, 0.5}, {0.03, 3, 0.01}, {7000, 7, 1000}, {0, 5, 1}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(NiceStep(c.span, c.count), c.step) << c.span << "/" << c.count;
}

std::vector<std::string> Texts(const pugi::xml_document& svg, const char* xpath) {
  std::vector<std::string> texts;
  for (const pugi::xpath_node& node : svg.select_nodes(xpath)) texts.push_back(node.node().text().get());
  return texts;
}

// A drive due north along 8 E at 15 m/s from 2023-11-14 22:13:20 UTC, one fix
// a second; one fix thrown 3 km north at `jump_at` (0: none); the fixes of
// seconds [gap_from, gap_to) left out.
Drive SyntheticDrive(int jump_at, int gap_from, int gap_to) {
  Drive drive;
  drive.path = "synthetic.gpx";
  drive.format = "test";
  for (int s = 0; s <= 90; ++s) {
    if (s >= gap_from && s < gap_to) continue;
    Fix fix;
    fix.time = 1.7e9 + s;
    fix.latitude = 50.0 + s * 15.0 / 111200.0 + (jump_at > 0 && s == jump_at ? 3000.0 / 111200.0 : 0.0);
    fix.longitude = 8.0;
    fix.speed_mps = 15.0;
    drive.fixes.push_back(fix);
  }
  return drive;
}

struct LegendCase {
  const char* name;
  const char* script;
  int jump_at, gap_from, gap_to;
  std::vector<std::string> legend;
  std::size_t fill_ups, refused;
  const char* refusal;  // what the refused fill-up's mark says
};

// The chart draws what the plug-in did: fill-ups from the records it appended
// to fuel.log (keyed one key at a time, or by "fillup"), script fill-ups it
// refused marked with their error, and a legend of only what happened.
TEST(ChartSvg, LegendListsOnlyWhatHappenedAndRefusedFillUpsAreMarked) {
  const std::vector<std::string> always = {"speed", "tripmeter", "triptotal"};
  const LegendCase cases[] = {
      {"nothing but driving", "", 0, 0, 0, always, 0, 0, ""},
      {"fill-up keyed key by key", "50 keys trezik_clr trezik_4 trezik_2 trezik_pclr trezik_p1 trezik_ok\n", 0, 0, 0,
       {"speed", "tripmeter", "triptotal", "fill-up"}, 1, 0, ""},
      {"fill-up with nothing driven since the last", "start fillup 5 1.5\n", 0, 0, 0,
       {"speed", "tripmeter", "triptotal", "fill-up refused"}, 0, 1, "trezik_ok failed: division by zero"},
      // A gap the host fills in is bridged: no shading.
      {"a gap filled in", "", 0, 30, 60, always, 0, 0, ""},
      // Towards a fix thrown 3 km off the host holds, and the meter drops the step.
      {"everything", "10 logwork\n30 logwork\n40 logtrip\nend fillup 5 1.5\n", 60, 50, 60,
       {"speed", "tripmeter", "workmeter", "triptotal", "work recording", "GPS gap", "GPS jump dropped", "trip record",
        "fill-up"},
       1, 0, ""},
  };
  for (const LegendCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ScratchFolder scratch;
    SimulationOptions options;
    options.folder = scratch.Path("run");
    options.utc_offset_hours = 1;
    options.clock_source = SimulationOptions::ClockSource::kOption;  // as --utc-offset 1 sets it
    const Drive drive = SyntheticDrive(c.jump_at, c.gap_from, c.gap_to);
    const Script script = ParseScript(c.script, "s");
    Simulation simulation(drive, script, options);
    const SimulationResult result = simulation.Run();
    const std::string text = DrawChartSvg(result, ChartTextFor(drive, simulation.timeline(), options, result));
    pugi::xml_document svg;
    ASSERT_TRUE(svg.load_string(text.c_str())) << text.substr(0, 400);

    EXPECT_EQ(Texts(svg, "//g[@class='legend']/text"), c.legend);
    EXPECT_EQ(svg.select_nodes("//line[@class='fillup']").size(), c.fill_ups);
    EXPECT_EQ(LogRecords(result.fuel_log).size(), c.fill_ups);
    const pugi::xpath_node_set refused = svg.select_nodes("//line[@class='fillup-refused']");
    ASSERT_EQ(refused.size(), c.refused);
    if (c.refused > 0) {
      EXPECT_NE(std::string(refused[0].node().child_value("title")).find(c.refusal), std::string::npos);
    }
    // The plug-in's clock, an hour ahead of UTC, on the time axis.
    EXPECT_EQ(Texts(svg, "//text[@class='time']").front(), "23:13:20");
    EXPECT_EQ(Texts(svg, "//text[@class='time-caption']").front().rfind("the plug-in's clock (UTC+1 by --utc-offset)", 0),
              0u);
    // It scales to its container; the marks' labels stand below the time
    // axis, where no line of the panels runs.
    const pugi::xml_node root = svg.document_element();
    EXPECT_TRUE(root.attribute("viewBox"));
    EXPECT_FALSE(root.attribute("width"));
    double axis = 0;
    for (const pugi::xpath_node& time : svg.select_nodes("//text[@class='time']")) {
      axis = std::max(axis, time.node().attribute("y").as_double());
    }
    for (const pugi::xpath_node& label : svg.select_nodes("//g[@class='mark-label']/text")) {
      EXPECT_GT(label.node().attribute("y").as_double(), axis + 20) << label.node().text().get();
    }
  }
}

TEST(ChartSvg, FillUpLabelsCarryTheUnitsAndTheTotalHasAPanelOfItsOwn) {
  SimulationResult result;
  for (int s = 0; s <= 100; ++s) {
    TickRecord tick;
    tick.second = s;
    tick.speed = 50;
    tick.trip = s * 0.014;
    tick.total = s < 100 ? 600 + s * 0.014 : 0;
    result.ticks.push_back(tick);
  }
  result.fill_ups = {{100, "41.37", "1.859", R"("2026-03-02","08:14:29",41.37,601.39,"6.88",1.859,0.13,"48","11","X")", ""}};
  ChartText text{"a <test> & chart", "Km", "Km/h", "L", "L/100KM"};
  const std::string drawn = DrawChartSvg(result, text);
  pugi::xml_document svg;
  ASSERT_TRUE(svg.load_string(drawn.c_str())) << drawn.substr(0, 400);
  EXPECT_NE(drawn.find("a &lt;test&gt; &amp; chart"), std::string::npos);
  EXPECT_EQ(Texts(svg, "//text[@class='fillup']"), std::vector<std::string>{"fill-up 41.37 L at 1.859 per L"});
  EXPECT_NE(drawn.find("6.88 L/100KM over 601.39 Km, 0.13 per Km"), std::string::npos);
  EXPECT_EQ(Texts(svg, "//text[@class='caption']"),
            (std::vector<std::string>{"speed the host reported (Km/h)", "trip meter and work meter (Km)",
                                      "triptotal, since the last fill-up (Km)"}));
  // Without a clock the axis counts minutes.
  EXPECT_EQ(Texts(svg, "//text[@class='time']").front(), "0.0");
  // The total's own scale: its line falls over more than half its panel (110
  // high) at the fill-up, rather than lying flat under the trip meter.
  const std::string points = svg.select_node("//polyline[@class='triptotal']").node().attribute("points").value();
  const double first_y = std::stod(points.substr(points.find(',') + 1));
  const double last_y = std::stod(points.substr(points.rfind(',') + 1));
  EXPECT_GT(last_y - first_y, 55);
}

}  // namespace
}  // namespace trezik::drive
