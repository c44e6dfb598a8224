#include "tools/report/cli.h"

#include <CLI/CLI.hpp>

#include "tools/report/report.h"

namespace trezik::report {
namespace {

constexpr char kName[] = "trezik-report";

std::string DateCheck(const std::string& text) {
  return IsDate(text) ? std::string() : "\"" + text + "\" is not a date (YYYY-MM-DD)";
}

}  // namespace

int RunTrezikReport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  CLI::App app("Reads the trezik plug-in's tripmeter.log and fuel.log and writes a report: report.html, "
               "fillups.csv, months.csv and trips.csv.",
               kName);
  std::vector<std::string> paths;
  std::string out_folder = "trezik-report";
  ReportOptions options;
  app.add_option("PATH", paths, "plug-in folders (their tripmeter.log and fuel.log) or log files")
      ->type_name("")
      ->required();
  app.add_option("-o,--out", out_folder, "the folder the report goes into (default: trezik-report)")
      ->type_name("FOLDER");
  app.add_flag("--imperial", options.imperial, "the logs were written with isunits=False (miles, gallons, mpg)");
  app.add_option("--from", options.from, "leave out records before this date (YYYY-MM-DD)")
      ->type_name("DATE")
      ->check(CLI::Validator(DateCheck, "", "date"));
  app.add_option("--to", options.to, "leave out records after this date (YYYY-MM-DD)")
      ->type_name("DATE")
      ->check(CLI::Validator(DateCheck, "", "date"));
  app.add_option("--currency", options.currency, "the money's name in the labels, as in EUR/L (default: currency)")
      ->type_name("NAME");

  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());  // CLI11 takes them last first
  try {
    app.parse(reversed);
    if (!options.from.empty() && !options.to.empty() && options.from > options.to) {
      throw CLI::ValidationError("--from " + options.from + " lies after --to " + options.to);
    }
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return 0;
  } catch (const CLI::ParseError& error) {
    err << kName << ": " << error.what() << "; see --help\n";
    return 2;
  }

  try {
    const Report report = WriteReport(paths, out_folder, options);
    out << SummaryText(report, out_folder);
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
