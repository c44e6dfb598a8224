// trezik-live's command line, in the tools' shared style (CLI11, a mistake
// said in one line).
#pragma once

#include <string>
#include <vector>

#include "tools/common/usage_error.h"

namespace trezik::live {

struct LiveOptions {
  std::string gpsd_host = "localhost";
  std::string gpsd_port = "2947";
  std::string data;        // empty: the default data folder
  bool imperial = false;   // a new pw.ini gets isunits=False
  double speedup = 1.0;    // host seconds per wall second
  std::string listen_address = "127.0.0.1";
  int listen_port = 8787;
  std::string token;
  std::string token_file;  // the token from this file (no trailing line end)
  bool record = true;      // the drive recorded in the data folder's tracks
  int keep_track_days = 90;
  int tracks_megabytes = 500;
  bool help = false, version = false;
};

// Throws tools::UsageError for a mistake.
LiveOptions ParseLiveCommandLine(const std::vector<std::string>& arguments);
std::string LiveUsageText();
std::string LiveVersionText();

// "HOST:PORT", "[IPV6]:PORT", or a host alone with `default_port`; throws
// tools::UsageError naming `option` when the port is not 1 to 65535 (0 too, when
// `any_port`: the system picks one) or the host is empty.
std::pair<std::string, int> SplitHostPort(const std::string& text, int default_port, const std::string& option,
                                          bool any_port);

// 32 hexadecimal digits from /dev/urandom; throws std::runtime_error when it
// cannot be read.
std::string NewToken();

// The token a file holds (a line end after it is dropped); throws
// std::runtime_error naming the file when it cannot be read or holds no
// usable token.
std::string ReadTokenFile(const std::string& path);

// The token to use: `options.token`, else the one in --token-file, else
// the systemd credential "token" ($CREDENTIALS_DIRECTORY/token, when
// `credentials_directory` is not null and the file is there); empty when
// none is given. Throws as ReadTokenFile.
std::string GivenToken(const LiveOptions& options, const char* credentials_directory);

}  // namespace trezik::live
