// Where trezik-live takes its token from: --token, else --token-file, else
// systemd's credential "token"; a file's line end is no part of it.
#include "tools/live/live_command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <unistd.h>
#include <string>

namespace trezik::live {
namespace {

namespace fs = std::filesystem;

TEST(GivenToken, TheOptionThenTheFileThenTheCredential) {
  const fs::path folder = fs::temp_directory_path() / ("trezik-token-" + std::to_string(::getpid()));
  fs::create_directories(folder / "credentials");
  const auto write = [](const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; };
  write(folder / "file", "from-the-file-0001\r\n");
  write(folder / "credentials" / "token", "from-the-credential\n");
  write(folder / "short", "short\n");
  const std::string credentials = (folder / "credentials").string();
  struct Case {
    const char* what;
    std::string token, file;
    const char* credentials;
    std::optional<std::string> expected;  // none: refused
  } const cases[] = {
      {"option first", "from-the-option-1", (folder / "file").string(), credentials.c_str(), "from-the-option-1"},
      {"then the file", "", (folder / "file").string(), credentials.c_str(), "from-the-file-0001"},
      {"then the credential", "", "", credentials.c_str(), "from-the-credential"},
      {"no credential file", "", "", "/nonexistent", ""},
      {"none at all", "", "", nullptr, ""},
      {"a file too short", "", (folder / "short").string(), nullptr, std::nullopt},
      {"a missing file", "", (folder / "missing").string(), nullptr, std::nullopt},
      {"a folder", "", folder.string(), nullptr, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LiveOptions options;
    options.token = c.token;
    options.token_file = c.file;
    if (c.expected) {
      EXPECT_EQ(GivenToken(options, c.credentials), *c.expected);
    } else {
      EXPECT_THROW(GivenToken(options, c.credentials), std::runtime_error);
    }
  }
  fs::remove_all(folder);
}

TEST(GivenToken, TheOptionAndTheFileExcludeEachOther) {
  EXPECT_THROW(ParseLiveCommandLine({"--token", "abcdefghijklm", "--token-file", "/x"}), tools::UsageError);
  EXPECT_EQ(ParseLiveCommandLine({"--token-file", "/x"}).token_file, "/x");
}

}  // namespace
}  // namespace trezik::live
