#include "tools/report/run_summary_section.h"

#include "tools/report/page_parts.h"

namespace trezik::report {

std::string RunSummarySection(const RunSummary& s) {
  if (s.empty()) return "";
  using page::Html;
  std::string html = "<section id=\"run-summary\">\n<h2>This run</h2>\n";
  if (!s.headline.empty()) {
    html += "<div id=\"run-headline\">";
    for (const std::string& line : s.headline) html += "<p>" + Html(line) + "</p>";
    html += "</div>\n";
  }
  if (!s.verdict.empty()) {
    html += std::string("<p id=\"run-verdict\" class=\"") + (s.correct ? "correct" : "wrong") + "\">" +
            Html(s.verdict) + "</p>\n";
  }
  if (!s.notes.empty()) {
    html += "<ul id=\"run-notes\">\n";
    for (const std::string& note : s.notes) html += "<li>" + Html(note) + "</li>\n";
    html += "</ul>\n";
  }
  return html + "</section>\n";
}

}  // namespace trezik::report
