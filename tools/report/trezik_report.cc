#include "tools/report/trezik_report.h"

#include <CLI/CLI.hpp>

#include "tools/common/usage_error.h"
#include "tools/report/no_logs_page.h"
#include "tools/report/open_page.h"
#include "tools/report/report.h"
#include "trezik_version.h"

namespace trezik::report {
namespace {

constexpr char kName[] = "trezik-report";

std::string DateCheck(const std::string& text) {
  return IsDate(text) ? std::string() : "\"" + text + "\" is not a date (YYYY-MM-DD)";
}

// One line for a mistake CLI11 found, worded as trezik-drive words its own.
std::string Describe(const CLI::ParseError& error, const CLI::App& app) {
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    return "no log given: name a plug-in folder or a log file";
  }
  return tools::DescribeUsageError(error, app);
}

}  // namespace

int RunTrezikReport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  CLI::App app("Reads the trezik plug-in's tripmeter.log and fuel.log and writes a report: report.html, "
               "fillups.csv, trips.csv, months.csv, years.csv and unreadable.txt.\n"
               "Exit status: 0 after a report, 1 when it cannot be written, 2 for a usage error or input that "
               "cannot make a report (nothing is written then).",
               kName);
  std::vector<std::string> paths;
  std::string out_folder = "trezik-report";
  ReportOptions options;
  options.refuse_unusable = true;
  app.add_option("PATH", paths, "plug-in folders (their tripmeter.log and fuel.log) or log files")
      ->type_name("")
      ->required();
  app.add_option("-o,--out", out_folder, "the folder the report goes into (default: trezik-report)")
      ->type_name("FOLDER");
  CLI::Option* imperial = app.add_flag("--imperial", options.imperial,
                                       "show miles, gallons and mpg whatever the fill-ups tell (default: the "
                                       "unit the fill-ups tell)");
  app.add_flag("--metric", options.metric, "show km, litres and L/100 km whatever the fill-ups tell")
      ->excludes(imperial);
  app.add_option("--from", options.from, "leave out records before this date (YYYY-MM-DD)")
      ->type_name("DATE")
      ->check(CLI::Validator(DateCheck, "", "date"));
  app.add_option("--to", options.to, "leave out records after this date (YYYY-MM-DD)")
      ->type_name("DATE")
      ->check(CLI::Validator(DateCheck, "", "date"));
  app.add_option("--currency", options.currency,
                 "the currency's symbol or code, put on every amount (EUR, $); default: none")
      ->type_name("TEXT");
  app.add_option("--drive-chart", options.drive_chart, "an SVG drive chart to show on the page (trezik-drive's)")
      ->type_name("FILE");
  bool open = false;
  app.add_flag("--open", open,
               "open report.html with the system's handler (the browser); with no log in the folders yet, a "
               "page that says so and where the plug-in writes them");
  app.set_version_flag("--version", std::string(kName) + " " + TREZIK_VERSION_TEXT, "the version of trezik-report");

  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());  // CLI11 takes them last first
  try {
    app.parse(reversed);
    if (!options.from.empty() && !options.to.empty() && options.from > options.to) {
      throw CLI::ValidationError("--from " + options.from + " lies after --to " + options.to);
    }
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return 0;
  } catch (const CLI::CallForVersion&) {
    out << kName << " " << TREZIK_VERSION_TEXT << "\n";
    return 0;
  } catch (const CLI::ParseError& error) {
    err << kName << ": " << Describe(error, app) << "; see --help\n";
    return 2;
  }

  try {
    if (!(open && WriteNoLogsPage(paths, out_folder, out))) {
      const Report report = WriteReport(paths, out_folder, options);
      out << SummaryText(report, out_folder);
    }
    if (open) OpenReportPage(out_folder, out);
  } catch (const InputError& error) {
    err << kName << ": " << error.what() << "\n";
    return 2;
  } catch (const std::exception& error) {
    err << kName << ": " << error.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace trezik::report
