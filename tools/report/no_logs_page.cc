#include "tools/report/no_logs_page.h"

#include <filesystem>

#include "tools/chart/svg_chart.h"
#include "tools/report/native_path.h"
#include "tools/report/report.h"
#include "tools/common/streamed_file.h"
#include "tools/common/atomic_file.h"

namespace trezik::report {

std::string NoLogsHtml(const std::vector<std::string>& folders) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">\n"
      "<title>Trip and fuel report: no logs yet</title>\n"
      "<style>body{font:16px/1.45 system-ui,-apple-system,\"Segoe UI\",Roboto,\"DejaVu Sans\",sans-serif;"
      "margin:0 auto;max-width:46rem;padding:1rem;color:#1b1b1b;background:#fff}"
      "h1{font-size:1.6rem}code{overflow-wrap:anywhere}</style>\n</head>\n<body>\n"
      "<h1>Trip and fuel report</h1>\n"
      "<p id=\"no-logs\">No logs yet: trezik has not logged a trip or a fill-up.</p>\n"
      "<p>The plug-in writes its logs beside <code>trezik.dll</code>, into</p>\n<ul id=\"log-folders\">\n";
  for (const std::string& folder : folders) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(NativePath(folder), error);
    const std::string shown = error ? folder : absolute.lexically_normal().string();
    html += "<li><code>" + chart::Escape(shown) + "</code></li>\n";
  }
  html +=
      "</ul>\n<p><code>tripmeter.log</code> gets a record each time a trip is logged (the skin's "
      "\"logtrip\" command), <code>fuel.log</code> one for each fill-up keyed in. Open this report again "
      "after the first one: it then shows the consumption, the prices and the months.</p>\n"
      "</body>\n</html>\n";
  return html;
}

bool WriteNoLogsPage(const std::vector<std::string>& paths, const std::string& out_folder, std::ostream& out) {
  std::vector<std::string> notes;
  // An empty log counts as none: the plug-in appends whole records, and one
  // whose first append failed is cut back to nothing.
  for (const LogPath& log : FindLogs(paths, notes)) {
    std::error_code error;
    if (std::filesystem::file_size(NativePath(log.path), error) != 0 || error) return false;
  }
  tools::MakeFolders(out_folder);
  tools::StreamedFile page((NativePath(out_folder) / "report.html").string());
  page.Write(NoLogsHtml(paths));
  page.Commit();
  out << "trezik-report: no tripmeter.log or fuel.log yet; written to " << out_folder << ": report.html\n";
  return true;
}

}  // namespace trezik::report
