// The page's charts name what they draw and keep at least three date ticks,
// whether the fill-ups span a week, a month or years; a long history is
// drawn as means of neighbouring fill-ups.
#include <gtest/gtest.h>

#include <regex>

#include "report/report_test_support.h"
#include "tools/report/report.h"

namespace trezik::report {
namespace {

// The part of the page that holds the chart with this id.
std::string ChartSvg(const std::string& page, const std::string& id) {
  const std::size_t start = page.find("<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"" + id + "\"");
  if (start == std::string::npos) return "";
  return page.substr(start, page.find("</svg>", start) - start);
}

std::size_t Ticks(const std::string& svg) {
  const std::regex tick("<line class=\"tick\"");
  return static_cast<std::size_t>(std::distance(std::sregex_iterator(svg.begin(), svg.end(), tick), {}));
}

TEST(ReportPage, DateAxesHaveThreeTicksAndTheLegendNamesWhatIsDrawn) {
  const struct {
    const char* name;
    int fill_ups, days_apart;
    bool rolling;  // a mean of the last 5 is drawn
  } cases[] = {
      {"one fill-up", 1, 0, false},
      {"four in a week", 4, 2, false},
      {"five in a month", 5, 6, true},
      {"forty over three years", 40, 28, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::Scratch scratch;
    std::string log;
    for (int i = 0; i < c.fill_ups; ++i) {
      const int day = 1 + i * c.days_apart;  // day of 2026 from 1 Jan, in 28-day months
      char line[160];
      std::snprintf(line, sizeof line, "\"%04d-%02d-%02d\",\"08:00:00\",40,500,\"8\",1.6,0.13,\"a\",\"b\",\"c\"\r\n",
                    2026 + (day - 1) / 336, (day - 1) / 28 % 12 + 1, (day - 1) % 28 + 1);
      log += line;
    }
    scratch.Write("plugin/fuel.log", log);
    WriteReport({scratch.Path("plugin")}, scratch.Path("out"), {});
    const std::string page = scratch.Read("out/report.html");
    for (const char* id : {"chart-consumption", "chart-price"}) {
      const std::string svg = ChartSvg(page, id);
      ASSERT_FALSE(svg.empty()) << id;
      EXPECT_GE(Ticks(svg), 3u) << id;
      EXPECT_LE(Ticks(svg), 7u) << id;
    }
    const std::string consumption = ChartSvg(page, "chart-consumption");
    EXPECT_EQ(consumption.find(">mean of the last 5 fill-ups<") != std::string::npos, c.rolling);
    EXPECT_EQ(consumption.find("class=\"rolling-average\"") != std::string::npos, c.rolling);
  }
}

TEST(ReportPage, ManyFillUpsAreDrawnAsMeansOfNeighboursInDateOrder) {
  testing::Scratch scratch;
  // 1,300 fill-ups a day apart, 6 and 10 L/100 km by turns: any two
  // neighbours, and so any mean of neighbouring pairs, make 8.
  std::string log;
  for (int i = 0; i < 1300; ++i) {
    char line[160];
    std::snprintf(line, sizeof line, "\"%04d-%02d-%02d\",\"08:00:00\",%d,100,\"%d\",1.5,0.1,\"a\",\"b\",\"c\"\r\n",
                  2020 + i / 336, i / 28 % 12 + 1, i % 28 + 1, i % 2 ? 10 : 6, i % 2 ? 10 : 6);
    log += line;
  }
  scratch.Write("plugin/fuel.log", log);
  WriteReport({scratch.Path("plugin")}, scratch.Path("out"), {});
  const std::string svg = ChartSvg(scratch.Read("out/report.html"), "chart-consumption");
  const std::regex dot("<circle class=\"fillup\"[^>]*><title>[0-9-]+: ([0-9.]+) L/100 km</title>");
  std::size_t dots = 0;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), dot); it != std::sregex_iterator(); ++it, ++dots) {
    EXPECT_EQ((*it)[1].str(), "8.00");
  }
  EXPECT_GE(dots, 300u);
  EXPECT_LE(dots, 600u);
  EXPECT_NE(svg.find(">mean of about "), std::string::npos);  // the legend says what a dot is
}

}  // namespace
}  // namespace trezik::report

namespace trezik::report {
namespace {

// The numbers of a chart's left axis, bottom to top.
std::vector<double> LeftAxis(const std::string& svg) {
  const std::regex label("<text x=\"65.0\" y=\"[0-9.]+\" text-anchor=\"end\">([0-9.]+)<");
  std::vector<double> values;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), label); it != std::sregex_iterator(); ++it) {
    values.push_back(std::stod((*it)[1]));
  }
  return values;
}

// One fill-up alone (8 L/100 km at 1.6 a litre) is drawn on a scale a
// driver can read: a band of at least a quarter of its value around it,
// not one of the value's last digits.
TEST(ReportPage, OneFillUpIsDrawnOnAReadableScale) {
  testing::Scratch scratch;
  scratch.Write("plugin/fuel.log", "\"2026-03-02\",\"08:00:00\",40,500,\"8\",1.6,0.13,\"a\",\"b\",\"c\"\r\n");
  WriteReport({scratch.Path("plugin")}, scratch.Path("out"), {});
  const std::string page = scratch.Read("out/report.html");
  for (const auto& [id, value] : {std::pair{"chart-consumption", 8.0}, std::pair{"chart-price", 1.6}}) {
    const std::vector<double> axis = LeftAxis(ChartSvg(page, id));
    ASSERT_GE(axis.size(), 3u) << id;
    EXPECT_LT(axis.front(), value) << id;
    EXPECT_GT(axis.back(), value) << id;
    EXPECT_GE(axis.back() - axis.front(), value / 4) << id;
    EXPECT_GE(axis.front(), 0.0) << id;
  }
}

}  // namespace
}  // namespace trezik::report
