#include "tools/live/live_command_line.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "core/convert.h"
#include "tools/live/data_folder.h"
#include "tools/live/request_guard.h"
#include "tools/common/usage_error.h"
#include "tools/common/usage_help.h"
#include "trezik_version.h"

namespace trezik::live {
namespace {

constexpr char kIntroduction[] =
    "Usage: trezik-live [OPTION]...\n"
    "Runs the trezik plug-in in a car on Linux: the plug-in's host asks gpsd for\n"
    "the fix once a second, and a page in the browser shows the meters and has\n"
    "the plug-in's buttons and fuel keypad. The meters are kept in the data\n"
    "folder and saved every 30 s; SIGTERM, SIGINT or SIGHUP ends the run after\n"
    "the plug-in has saved them.\n\n";

constexpr char kExitStatus[] =
    "Exit status: 0 after a signal ended the run, 1 when it could not start (also\n"
    "when another trezik-live has the data folder), 2 for a usage error, 3 after\n"
    "a run in which a save of the meters or a write of fuelcarry.ini failed or\n"
    "tripmeter.ini could not be read, 4 when an error ended the run (the plug-in\n"
    "saved its meters first).\n";

std::unique_ptr<CLI::App> MakeApp(LiveOptions& options, std::string& gpsd, std::string& listen,
                                  std::string& speedup) {
  auto app = std::make_unique<CLI::App>("", "trezik-live");
  app->formatter(std::make_shared<tools::UsageHelp>(kIntroduction, kExitStatus));
  app->set_help_flag("-h,--help", "this text");
  app->add_option("--gpsd", gpsd, "gpsd's address (default: localhost:2947)")->option_text("HOST:PORT");
  app->add_option("--data", options.data,
                  "the data folder: pw.ini, trezik.ini, places.csv,\ntripmeter.ini and the logs (default:\n"
                  "$XDG_DATA_HOME/trezik, else ~/.local/share/trezik)")
      ->option_text("DIR");
  app->add_flag("--imperial", options.imperial,
                "a new data folder's pw.ini says isunits=False:\nmiles, mph and gallons (default: metric)");
  app->add_option("--speedup", speedup,
                  "the plug-in's clock runs N times faster: a tick\nevery 1/N s, fixes kept 3/N s (1 to 1000;\n"
                  "default: 1)")
      ->option_text("N");
  app->add_option("--listen", listen,
                  "the page's address (default: 127.0.0.1:8787);\nany other than loopback needs a token")
      ->option_text("ADDRESS:PORT");
  CLI::Option* token = app->add_option("--token", options.token,
                                       "the token the page asks for (default on a\nnon-loopback address: a new one, "
                                       "printed);\nother users can read it: prefer --token-file")
                           ->option_text("TEXT");
  app->add_option("--token-file", options.token_file,
                  "the token from this file (default: the systemd\ncredential \"token\", when there is one)")
      ->option_text("FILE")
      ->excludes(token);
  app->add_flag("--no-record{false}", options.record,
                "no track of the drive in the data folder's\ntracks folder (default: one a day)");
  app->add_option("--keep-tracks", options.keep_track_days, "days a track is kept (1 to 3650; default: 90)")
      ->option_text("DAYS")
      ->check(CLI::Range(1, 3650));
  app->add_option("--tracks-size", options.tracks_megabytes,
                  "the most the tracks take together, the oldest\nremoved first (1 to 100000; default: 500)")
      ->option_text("MB")
      ->check(CLI::Range(1, 100000));
  app->set_version_flag("--version", LiveVersionText(), "the version of trezik-live and of the plug-in");
  return app;
}

}  // namespace

std::string LiveVersionText() { return std::string("trezik-live ") + TREZIK_VERSION_TEXT + "\n"; }

std::pair<std::string, int> SplitHostPort(const std::string& text, int default_port, const std::string& option,
                                          bool any_port) {
  std::string host = text;
  std::string port;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string::npos) throw tools::UsageError(option + ": '" + text + "' has no closing ']'");
    host = text.substr(1, close - 1);
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') throw tools::UsageError(option + ": '" + text + "' is no ADDRESS:PORT");
      port = text.substr(close + 2);
    }
  } else if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
    if (text.find(':') != colon) throw tools::UsageError(option + ": write an IPv6 address in brackets: [" + text + "]");
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  if (host.empty()) throw tools::UsageError(option + ": '" + text + "' names no host");
  if (port.empty() && text.back() != ':') return {host, default_port};
  const std::optional<double> number = ParseFileNumber(port);
  const double low = any_port ? 0 : 1;
  if (!number || *number != std::floor(*number) || *number < low || *number > 65535 ||
      port.find_first_not_of("0123456789") != std::string::npos) {
    throw tools::UsageError(option + ": '" + port + "' is no port (" + (any_port ? "0" : "1") + " to 65535)");
  }
  return {host, static_cast<int>(*number)};
}

LiveOptions ParseLiveCommandLine(const std::vector<std::string>& arguments) {
  LiveOptions options;
  std::string gpsd, listen, speedup;
  std::unique_ptr<CLI::App> app = MakeApp(options, gpsd, listen, speedup);
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());  // CLI11 takes them last first
  try {
    app->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    options.help = true;
    return options;
  } catch (const CLI::CallForVersion&) {
    options.version = true;
    return options;
  } catch (const CLI::ParseError& error) {
    throw tools::UsageError(tools::DescribeUsageError(error, *app));
  }
  if (!gpsd.empty()) {
    const auto [host, port] = SplitHostPort(gpsd, 2947, "--gpsd", false);
    options.gpsd_host = host;
    options.gpsd_port = std::to_string(port);
  }
  if (!listen.empty()) {
    std::tie(options.listen_address, options.listen_port) = SplitHostPort(listen, 8787, "--listen", true);
  }
  if (!speedup.empty()) {
    const std::optional<double> n = ParseFileNumber(speedup);
    if (!n || *n < 1 || *n > 1000) throw tools::UsageError("--speedup: '" + speedup + "' is not a number from 1 to 1000");
    options.speedup = *n;
  }
  if (app->count("--data") > 0 && options.data.empty()) throw tools::UsageError("--data: the folder's name is empty");
  return options;
}

std::string LiveUsageText() {
  LiveOptions options;
  std::string gpsd, listen, speedup;
  return MakeApp(options, gpsd, listen, speedup)->help();
}

std::string NewToken() {
  std::ifstream random("/dev/urandom", std::ios::binary);
  unsigned char bytes[16];
  if (!random.read(reinterpret_cast<char*>(bytes), sizeof bytes)) {
    throw std::runtime_error("cannot read /dev/urandom for a token");
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (const unsigned char byte : bytes) {
    token += kHex[byte >> 4];
    token += kHex[byte & 15];
  }
  return token;
}

std::string ReadTokenFile(const std::string& path) {
  // Not followed through a link, nor waited for as a FIFO (data_folder.h).
  std::optional<std::string> read;
  try {
    read = ReadRegularFile(path, 258);
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(std::string("the token file: ") + error.what());
  }
  if (!read) throw std::runtime_error("cannot read the token file " + path + ": it is not there");
  std::string token = std::move(*read);
  while (!token.empty() && (token.back() == '\n' || token.back() == '\r')) token.pop_back();
  if (!IsUsableToken(token)) {
    throw std::runtime_error("the token file " + path + " holds no token of 12 to 256 visible characters");
  }
  return token;
}

std::string GivenToken(const LiveOptions& options, const char* credentials_directory) {
  if (!options.token.empty()) return options.token;
  if (!options.token_file.empty()) return ReadTokenFile(options.token_file);
  if (credentials_directory != nullptr && credentials_directory[0] != '\0') {
    const std::string credential = std::string(credentials_directory) + "/token";
    if (std::filesystem::exists(std::filesystem::symlink_status(credential))) return ReadTokenFile(credential);
  }
  return "";
}

}  // namespace trezik::live
