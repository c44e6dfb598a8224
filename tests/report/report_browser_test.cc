// report.html in a real browser: headless Chromium loads the page from the
// file, and its DOM must hold the totals (figures worked by hand) and every
// chart, load nothing from outside, and its screenshot must not be blank; at
// a phone's width nothing may stick out sideways.
// Without Chromium the test is skipped, except under CI=true, where that fails.
#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>

#include "report/report_test_support.h"
#include "support/command_output.h"
#include "tools/report/report.h"

namespace trezik::report {
namespace {

std::string FindChromium() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin";
  for (std::size_t start = 0; start <= dirs.size();) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    for (const char* name : {"chromium", "chromium-browser"}) {
      const auto candidate = std::filesystem::path(dirs.substr(start, end - start)) / name;
      if (!candidate.parent_path().empty() && std::filesystem::exists(candidate)) return candidate.string();
    }
    start = end + 1;
  }
  return "";
}

// The pixels of an 8-bit RGB or RGBA PNG, one 32-bit value each; empty when
// the file is not such a PNG.
std::vector<std::uint32_t> DecodePng(const std::string& png) {
  auto be32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(png[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 2])) << 8 |
           static_cast<unsigned char>(png[at + 3]);
  };
  if (png.size() < 33 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {};
  const std::uint32_t width = be32(16), height = be32(20);
  const int depth = png[24], type = png[25];
  if (depth != 8 || (type != 2 && type != 6) || png[28] != 0) return {};  // no interlacing
  const std::size_t channels = type == 6 ? 4 : 3, stride = width * channels;
  std::string compressed;
  for (std::size_t at = 8; at + 8 <= png.size();) {
    const std::uint32_t length = be32(at);
    if (png.compare(at + 4, 4, "IDAT") == 0) compressed += png.substr(at + 8, length);
    at += 12 + length;
  }
  std::vector<unsigned char> raw((stride + 1) * height);
  uLongf size = raw.size();
  if (::uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(compressed.data()), compressed.size()) != Z_OK ||
      size != raw.size()) {
    return {};
  }
  // Undo the filter of each scanline (None, Sub, Up, Average, Paeth).
  std::vector<unsigned char> pixels(stride * height);
  for (std::size_t y = 0; y < height; ++y) {
    const unsigned char filter = raw[y * (stride + 1)];
    const unsigned char* in = &raw[y * (stride + 1) + 1];
    unsigned char* out = &pixels[y * stride];
    const unsigned char* up = y > 0 ? &pixels[(y - 1) * stride] : nullptr;
    for (std::size_t x = 0; x < stride; ++x) {
      const int a = x >= channels ? out[x - channels] : 0, b = up ? up[x] : 0,
                c = up && x >= channels ? up[x - channels] : 0;
      int predicted = 0;
      if (filter == 1) predicted = a;
      if (filter == 2) predicted = b;
      if (filter == 3) predicted = (a + b) / 2;
      if (filter == 4) {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[x] = static_cast<unsigned char>(in[x] + predicted);
    }
  }
  std::vector<std::uint32_t> colours;
  for (std::size_t i = 0; i < pixels.size(); i += channels) {
    colours.push_back(pixels[i] << 16 | pixels[i + 1] << 8 | pixels[i + 2]);
  }
  return colours;
}

std::string Element(const std::string& dom, const std::string& id) {
  std::smatch match;
  const std::regex pattern("id=\"" + id + "\"[^>]*>([^<]*)<");
  return std::regex_search(dom, match, pattern) ? match[1].str() : "(no element " + id + ")";
}

std::size_t Count(const std::string& text, const std::string& pattern) {
  const std::regex re(pattern);
  return static_cast<std::size_t>(std::distance(std::sregex_iterator(text.begin(), text.end(), re), {}));
}

TEST(ReportBrowser, ChromiumShowsTheTotalsAndEveryChartAndLoadsNothingFromOutside) {
  const std::string chromium = FindChromium();
  const char* ci = std::getenv("CI");
  if (chromium.empty() && ci && std::string(ci) == "true") FAIL() << "chromium is not installed (CI=true)";
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed: bash scripts/setup.sh installs it";

  testing::Scratch scratch;
  // 500 + 410.25 + 440 = 1350.25 km; 40 + 30.5 + 35.2 = 105.7 L; costs 64 +
  // 50.57 + 52.8 = 167.37; 105.7 / 1350.25 x 100 = 7.828 -> 7.83 L/100 km.
  scratch.Write("plugin/fuel.log",
                "\"2026-10-05\",\"07:30:00\",40,500,\"8\",1.6,0.13,\"48.1\",\"11.5\",\"<b>Station</b> & Co\"\r\n"
                "\"2026-11-28\",\"18:10:00\",30.5,410.25,\"7,43\",1.658,0.12,\"48.2\",\"11.6\",\"Stra\xDF" "e\"\r\n"
                "\"2026-12-07\",\"08:00:00\",35.2,440,\"8\",1.5,0.12,\"gpslat\",\"gpslon\",\"Ring Road between "
                "Obermenzing and the Autobahn junction Munich-West, exit 12\"\r\n");
  scratch.Write("plugin/tripmeter.log",
                "\"2026-11-20\",\"18:00:00\",30,250,10,\"48.2\",\"11.6\",\"Ring Road\"\r\nnot a record\r\n");
  // A drive chart as the simulator writes one, to be shown on the page.
  scratch.Write("drive.svg", "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1060\" "
                             "height=\"650\"><rect width=\"1060\" height=\"650\" fill=\"#3a7\"/></svg>\n");
  ReportOptions options;
  options.currency = "EUR";
  options.drive_chart = scratch.Path("drive.svg");
  WriteReport({scratch.Path("plugin")}, scratch.Path("out"), options);
  const std::string page = scratch.Path("out/report.html");

  const std::string flags = " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                            " --disable-background-networking --disable-component-update --disable-sync"
                            " --user-data-dir=" + scratch.Path("profile") + " --window-size=1000,1600 ";
  const std::string dom = trezik::testing::CommandOutput("timeout 120 " + chromium + flags + "--dump-dom file://" + page + " 2>/dev/null");
  ASSERT_NE(dom.find("</html>"), std::string::npos) << "chromium printed no page: " << dom.substr(0, 300);

  EXPECT_EQ(Element(dom, "trip-distance"), "30.00 km");
  EXPECT_EQ(Element(dom, "total-distance"), "1350.25 km");
  EXPECT_EQ(Element(dom, "total-fuel"), "105.70 L");
  EXPECT_EQ(Element(dom, "total-cost"), "167.37 EUR");
  EXPECT_EQ(Element(dom, "average-consumption"), "7.83 L/100 km");
  EXPECT_EQ(Element(dom, "cost-per-distance"), "0.124 EUR/km");  // 167.37 / 1350.25 = 0.12396
  EXPECT_EQ(Element(dom, "best-fillup"), "7.43 L/100 km on 2026-11-28");
  EXPECT_EQ(Element(dom, "lowest-price"), "1.500 EUR/L");
  EXPECT_EQ(Element(dom, "highest-price"), "1.658 EUR/L");
  EXPECT_EQ(Count(dom, "<img id=\"drive-chart\"[^>]*src=\"data:image/svg\\+xml;base64,"), 1u);
  // Every chart, with a dot per fill-up and a bar per month (October to December).
  for (const char* chart : {"chart-consumption", "chart-price", "chart-months"}) {
    EXPECT_EQ(Count(dom, std::string("<svg[^>]*id=\"") + chart + "\""), 1u) << chart;
  }
  EXPECT_EQ(Count(dom, "<circle class=\"fillup\""), 3u);
  EXPECT_EQ(Count(dom, "<rect class=\"distance\""), 3u);
  // Texts from the logs stay text, and ANSI bytes become valid characters.
  EXPECT_NE(dom.find("&lt;b&gt;Station&lt;/b&gt; &amp; Co"), std::string::npos);
  EXPECT_NE(dom.find("Stra\xC3\x9F" "e"), std::string::npos);
  EXPECT_NE(dom.find("tripmeter.log:2: 1 fields"), std::string::npos);
  // Nothing from outside, no scripts: in the file as written and in the DOM.
  for (const std::string& text : {scratch.Read("out/report.html"), dom}) {
    EXPECT_EQ(Count(text, "<script"), 0u);
    EXPECT_EQ(Count(text, "(src|href)\\s*=\\s*[\"']?\\s*(https?:|//)"), 0u);
    EXPECT_EQ(Count(text, "url\\(|@import|<link|<iframe|<img(?![^>]*src=\"data:)"), 0u);
  }

  const std::string shot = scratch.Path("shot.png");
  trezik::testing::CommandOutput("timeout 120 " + chromium + flags + "--screenshot=" + shot + " file://" + page + " >/dev/null 2>&1");
  const std::vector<std::uint32_t> pixels = DecodePng(scratch.Read("shot.png"));
  ASSERT_EQ(pixels.size(), 1000u * 1600u) << "the screenshot is not a 1000 x 1600 PNG";
  std::map<std::uint32_t, std::size_t> colours;
  for (std::uint32_t p : pixels) ++colours[p];
  std::size_t most = 0;
  for (const auto& [colour, count] : colours) most = std::max(most, count);
  EXPECT_GT(colours.size(), 20u) << "the screenshot has almost no colours: blank";
  EXPECT_LT(most, pixels.size() * 97 / 100) << "one colour covers 97 % of the screenshot: blank";

  // At a phone's width (390 CSS pixels, narrower than headless Chromium's
  // narrowest window) nothing sticks out sideways, and at 1280 no table
  // needs scrolling: the page in frames that wide, measured by a probe page
  // beside it (the report itself has no script).
  const std::string probe_page = scratch.Write(
      "out/probe.html",
      "<!DOCTYPE html><html><body>"
      "<iframe id=\"phone\" src=\"report.html\" style=\"width:390px;height:844px;border:0\"></iframe>"
      "<iframe id=\"desk\" src=\"report.html\" style=\"width:1280px;height:900px;border:0\"></iframe>"
      "<script>onload = () => { const w = document.getElementById('phone').contentWindow; "
      "const d = document.getElementById('desk').contentWindow.document; "
      "const wide = [...d.querySelectorAll('.scroll')].filter(e => e.scrollWidth > e.clientWidth).length; "
      "document.body.setAttribute('data-widths', w.document.documentElement.scrollWidth + ' ' + w.innerWidth + "
      "' ' + wide + ' ' + d.querySelectorAll('.scroll').length); };</script></body></html>\n");
  const std::string phone = trezik::testing::CommandOutput("timeout 120 " + chromium + flags + "--allow-file-access-from-files --dump-dom file://" +
                                   probe_page + " 2>/dev/null");
  std::smatch widths;
  ASSERT_TRUE(std::regex_search(phone, widths, std::regex("data-widths=\"([0-9]+) ([0-9]+) ([0-9]+) ([0-9]+)\"")))
      << phone.substr(0, 300);
  EXPECT_EQ(widths[3], "0") << "tables that scroll sideways at 1280 pixels";
  EXPECT_EQ(widths[4], "4") << "the tables: years, months, fill-ups, trip records";
  EXPECT_LE(std::stoi(widths[1]), std::stoi(widths[2])) << "the page is wider than a phone's screen";
  EXPECT_EQ(std::stoi(widths[2]), 390);
}

}  // namespace
}  // namespace trezik::report
