#include "tools/live/data_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "core/item_reader.h"
#include "contract/names.h"
#include "contract/settings.h"
#include "tools/common/atomic_file.h"

namespace trezik::live {
namespace {

std::runtime_error CannotRead(const std::filesystem::path& file, const std::string& why) {
  return std::runtime_error("cannot read " + file.string() + ": " + why);
}

}  // namespace

std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t limit, bool whole_limit) {
  const std::filesystem::path file(path);
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) return std::nullopt;
  if (fd < 0 && errno == ELOOP) throw CannotRead(file, "it is a symbolic link");
  if (fd < 0 && errno == ENXIO) throw CannotRead(file, "it is no regular file");
  if (fd < 0) throw CannotRead(file, std::strerror(errno));
  struct stat info {};
  std::string content;
  try {
    if (fstat(fd, &info) != 0) throw CannotRead(file, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) throw CannotRead(file, "it is no regular file");
    if (whole_limit && static_cast<std::uint64_t>(info.st_size) > limit) {
      throw CannotRead(file, "it is over " + std::to_string(limit / 1024) + " KiB");
    }
    content.resize(limit);
    std::size_t got = 0;
    while (got < limit) {
      const ssize_t n = ::read(fd, content.data() + got, limit - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw CannotRead(file, std::strerror(errno));
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    content.resize(got);
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
  return content;
}

namespace {

// A settings file that must be there (it was made if it was not).
std::string ReadSettings(const std::filesystem::path& file) {
  std::optional<std::string> content = ReadRegularFile(file.string(), kSettingsReadLimit);
  if (!content) throw CannotRead(file, std::strerror(ENOENT));
  return std::move(*content);
}

}  // namespace

bool PluginAutosaves(std::string_view trezik_ini) {
  return ReadPluginSettings(trezik_ini, '.').options.autosave_seconds > 0;
}

std::string DefaultDataFolder(const char* xdg_data_home, const char* home) {
  if (xdg_data_home != nullptr && xdg_data_home[0] == '/') return std::string(xdg_data_home) + "/trezik";
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share/trezik";
  throw std::runtime_error("neither XDG_DATA_HOME nor HOME names a folder: give --data DIR");
}

DataFolder PrepareDataFolder(const std::string& path, bool imperial) {
  namespace fs = std::filesystem;
  DataFolder folder;
  folder.path = fs::absolute(path).lexically_normal().string();
  if (folder.path.size() > 1 && folder.path.back() == '/') folder.path.pop_back();
  tools::MakeFolders(folder.path);
  folder.lock = std::make_unique<FolderLock>(folder.path);
  const fs::path pw_ini = fs::path(folder.path) / kHostSettingsFileName;
  if (!fs::exists(fs::symlink_status(pw_ini))) {
    tools::ReplaceFileDurably(pw_ini.string(), SettingsWriter().Units(!imperial).text());
    folder.pw_ini_made = true;
  }
  folder.metric_units = ReadHostSettings(ReadSettings(pw_ini), '.').metric_units;
  const fs::path trezik_ini = fs::path(folder.path) / kPluginSettingsFileName;
  if (!fs::exists(fs::symlink_status(trezik_ini))) {
    tools::ReplaceFileDurably(trezik_ini.string(), SettingsWriter().Item(kAutosaveKey, std::to_string(kAutosaveSeconds)).text());
  }
  folder.plugin_autosaves = PluginAutosaves(ReadSettings(trezik_ini));
  const fs::path places = fs::path(folder.path) / "places.csv";
  // Optional: one that cannot be read is named and passed over.
  try {
    if (const auto content = ReadRegularFile(places.string(), kPlacesSizeLimit, true)) {
      folder.places = Places::Parse(*content, folder.bad_place_lines);
      folder.has_places = true;
    }
  } catch (const std::runtime_error& error) {
    folder.places_refused = error.what();
  }
  return folder;
}

}  // namespace trezik::live
