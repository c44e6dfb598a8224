#include "tools/simulator/chart_svg.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

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

TEST(ChartSvg, DrawsSeriesWorkBandsDroppedStepsAndFillUpsAsWellFormedSvg) {
  SimulationResult result;
  for (int s = 0; s <= 100; ++s) {
    TickRecord tick;
    tick.second = s;
    tick.speed = 50;
    tick.trip = s * 0.014;
    tick.total = 600 + s * 0.014;
    tick.work_on = (s >= 20 && s < 40) || s >= 70;
    tick.work = tick.work_on ? s * 0.01 : 0;
    result.ticks.push_back(tick);
  }
  result.dropped = {{50, 4.0}, {51, 4.0}};
  result.fill_ups = {{100, "41.37", "1.859"}};
  const std::string svg = DrawChartSvg(result, {"a <test> & chart", "Km", "Km/h", "L"});
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(svg.c_str())) << svg.substr(0, 400);
  EXPECT_EQ(document.select_nodes("//polyline").size(), 4u);
  EXPECT_EQ(document.select_nodes("//rect[@class='work']").size(), 2u);
  EXPECT_EQ(document.select_nodes("//path[@class='dropped']").size(), 2u);
  EXPECT_EQ(document.select_nodes("//line[@class='fillup']").size(), 1u);
  EXPECT_NE(svg.find("a &lt;test&gt; &amp; chart"), std::string::npos);
  // The meters climb: the last point of the trip line lies above its first.
  const std::string points = document.select_node("//polyline[@class='tripmeter']").node().attribute("points").value();
  const double first_y = std::stod(points.substr(points.find(',') + 1));
  const double last_y = std::stod(points.substr(points.rfind(',') + 1));
  EXPECT_LT(last_y, first_y);
}

}  // namespace
}  // namespace trezik::drive
