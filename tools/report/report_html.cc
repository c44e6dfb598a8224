// report.html: one page with everything inline (styles, SVG charts), no
// scripts and nothing fetched, laid out for a phone, a desktop and paper.
// Its size is bounded whatever the logs hold: the tables show the latest
// rows, the lines not read the first few, the charts a bounded series, and
// texts from the logs are cut short.
#include <string>

#include "tools/report/page_parts.h"
#include "tools/report/report.h"
#include "tools/report/run_summary_section.h"

namespace trezik::report {
namespace {

constexpr std::size_t kMostListed = 20;  // logs and notes named in the header

// The charts are drawn 640 units wide with 13-unit text and grow no wider
// than that on the page: their text stays the size of the page's own small
// print and of a drive chart's (1060 wide, 12-unit text, at the page's
// full width), instead of growing with a wide screen.

constexpr char kStyle[] = R"(
:root{color-scheme:light}
*{box-sizing:border-box}
body{font:16px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif;margin:0 auto;
max-width:66rem;padding:1rem;color:#1b1b1b;background:#fff}
h1{font-size:1.6rem;margin:.2rem 0}
#run-verdict.correct{color:#1a6b2a}#run-verdict.wrong{color:#a31515}#run-headline p{margin:.1rem 0}
h2{font-size:1.25rem;border-bottom:1px solid #ccc;padding-bottom:.2rem;margin-top:2rem}
.meta{color:#444;margin:.2rem 0;overflow-wrap:anywhere}
.totals{display:grid;grid-template-columns:repeat(auto-fill,minmax(11rem,1fr));gap:.5rem;margin:0}
.totals div{border:1px solid #d6d6d6;border-radius:6px;padding:.45rem .7rem}
.totals dt{font-size:.85rem;color:#555}
.totals dd{margin:0;font-size:1.1rem;font-weight:600}
figure{margin:1rem 0}
figure svg,img.drive{width:100%;height:auto;display:block}
figure svg{max-width:640px}
figcaption,.note{font-size:.85rem;color:#444}
.scroll,.chart{overflow-x:auto;max-width:100%}
table{border-collapse:collapse;font-size:.9rem;font-variant-numeric:tabular-nums;width:100%}
th,td{padding:.25rem .45rem;border-bottom:1px solid #e3e3e3;text-align:right;white-space:nowrap}
th{background:#f1f1f1;font-weight:600;white-space:normal;vertical-align:bottom}
td.text,th.text{text-align:left}
td.text:last-child{white-space:normal;overflow-wrap:anywhere;min-width:8rem}
tr.new-trip td{font-weight:600}
#bad-list code{white-space:pre-wrap;overflow-wrap:anywhere}
.empty{color:#555;font-style:italic}
@media (max-width:40rem){body{padding:.6rem;font-size:15px}h1{font-size:1.35rem}
.chart svg{min-width:32rem}
table.rows,table.rows tbody,table.rows tr,table.rows td{display:block;width:100%}
table.rows thead{display:none}
table.rows tr{border-bottom:2px solid #ccc;padding:.3rem 0}
table.rows td{display:flex;justify-content:space-between;gap:1rem;border:0;padding:.1rem .2rem;white-space:normal;
text-align:right;overflow-wrap:anywhere}
table.rows td::before{content:attr(data-label);font-weight:600;text-align:left;color:#444}
td.text:last-child{min-width:0}}
@media print{
@page{margin:14mm}
body{max-width:none;padding:0;font-size:10pt;color:#000}
h2{break-after:avoid}
figure,.totals div,tr{break-inside:avoid}
figure{max-width:150mm;margin:4mm auto}
thead{display:table-header-group}
.scroll,.chart{overflow:visible}
th{background:none;border-bottom:1px solid #000}
table{font-size:8.5pt}
}
)";

std::string Header(const Report& r) {
  using page::Html;
  const Totals& t = r.totals;
  std::string html = "<header>\n<h1>Trip and fuel report</h1>\n";
  if (t.fill_ups + t.trip_records == 0) {
    html += "<p class=\"meta\" id=\"no-records\">No records: the logs read hold no fill-up and no trip record";
    html += r.outside_dates > 0 ? " within the dates asked for.</p>\n" : ".</p>\n";
  } else {
    html += "<p class=\"meta\" id=\"period\">" + Html(t.first_date) + " to " + Html(t.last_date) + ": " +
            std::to_string(t.trips) + " trip(s) in " + std::to_string(t.trip_records) + " trip record(s), " +
            std::to_string(t.fill_ups) + " fill-up(s).</p>\n";
  }
  html += "<p class=\"meta\" id=\"units\">Units: " + Html(page::UnitsLine(r)) + ".";
  if (!r.options.currency.empty()) html += " Money in " + Html(r.options.currency) + ".";
  if (!r.options.from.empty() || !r.options.to.empty()) {
    html += " Dates from " + Html(r.options.from.empty() ? "the first record" : r.options.from) + " to " +
            Html(r.options.to.empty() ? "the last record" : r.options.to) + ".";
  }
  html += "</p>\n<p class=\"meta\">Read from:";
  for (std::size_t i = 0; i < r.logs.size() && i < kMostListed; ++i) html += " <code>" + Html(r.logs[i].path) + "</code>";
  if (r.logs.size() > kMostListed) html += " and " + std::to_string(r.logs.size() - kMostListed) + " more";
  if (r.logs.empty()) html += " no log";
  html += ".";
  if (r.duplicates > 0) html += " " + std::to_string(r.duplicates) + " record(s) read a second time were counted once.";
  html += "</p>\n";
  for (std::size_t i = 0; i < r.notes.size() && i < kMostListed; ++i) {
    html += "<p class=\"meta note-line\">" + Html(r.notes[i]) + "</p>\n";
  }
  if (r.notes.size() > kMostListed) {
    html += "<p class=\"meta\">and " + std::to_string(r.notes.size() - kMostListed) + " more notes.</p>\n";
  }
  return html + "</header>\n";
}

std::string Section(const std::string& id, const std::string& title, const std::string& body) {
  return "<section id=\"" + id + "\">\n<h2>" + page::Html(title) + "</h2>\n" + body + "</section>\n";
}

}  // namespace

std::string ReportHtml(const Report& r) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>Trip and fuel report</title>\n<style>";
  html += kStyle;
  html += "</style>\n</head>\n<body>\n" + Header(r);
  html += RunSummarySection(r.options.run_summary);
  html += Section("totals", "Totals", page::TotalsSection(r));
  html += page::DriveChart(r);
  if (r.totals.fill_ups > 0) {
    html += Section("consumption", "Consumption per fill-up", page::ConsumptionChart(r));
    html += Section("price", "Price per " + r.units.volume, page::PriceChart(r));
  }
  if (!r.months.empty()) html += Section("per-month", "Distance and cost per month", page::MonthsChart(r));
  html += Section("years-section", "Years", page::YearsTable(r));
  html += Section("months-section", "Months", page::MonthsTable(r));
  if (r.totals.fill_ups > 0) html += Section("fillups-section", "Fill-ups", page::FillUpsTable(r));
  html += Section("trips-section", "Trip records", page::TripsTable(r));
  html += Section("bad-lines", "Lines not read", page::BadLinesSection(r));
  html += "</body>\n</html>\n";
  return html;
}

}  // namespace trezik::report
