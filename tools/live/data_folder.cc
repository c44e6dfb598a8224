#include "tools/live/data_folder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/error.h"
#include "core/item_reader.h"
#include "core/settings_reader.h"
#include "tools/common/atomic_file.h"
#include "tools/live/meter_saver.h"

namespace trezik::live {
namespace {

// places.csv is the driver's own list: a few thousand places at most.
constexpr std::size_t kPlacesReadLimit = 4 * 1024 * 1024;

std::string ReadStart(const std::filesystem::path& file, std::size_t limit) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string() + ": " + std::strerror(errno));
  std::string content(limit, '\0');
  in.read(content.data(), static_cast<std::streamsize>(limit));
  content.resize(static_cast<std::size_t>(in.gcount()));
  return content;
}

// "isunits" as the plug-in reads it: metric unless the item says otherwise.
bool MetricUnits(const std::string& pw_ini) {
  bool metric = true;
  try {
    ItemReader reader(pw_ini);
    while (!reader.AtEnd()) {
      const SettingsItem item = SplitSettingsItem(reader.Next());
      if (item.key == "isunits") metric = IsUnitsValue(item.value, '.');
    }
  } catch (const Error&) {
  }
  return metric;
}

}  // namespace

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
  drive::MakeFolders(folder.path);
  const fs::path pw_ini = fs::path(folder.path) / "pw.ini";
  if (!fs::exists(pw_ini)) {
    drive::WriteFileWhole(pw_ini.string(), imperial ? "isunits=False\r\n" : "isunits=True\r\n");
    folder.pw_ini_made = true;
  }
  folder.metric_units = MetricUnits(ReadStart(pw_ini, kSettingsReadLimit));
  const fs::path trezik_ini = fs::path(folder.path) / "trezik.ini";
  if (fs::exists(trezik_ini)) folder.plugin_autosaves = PluginAutosaves(ReadStart(trezik_ini, kSettingsReadLimit), '.');
  const fs::path places = fs::path(folder.path) / "places.csv";
  if (fs::exists(places)) {
    folder.has_places = true;
    folder.places = Places::Parse(ReadStart(places, kPlacesReadLimit), folder.bad_place_lines);
  }
  return folder;
}

}  // namespace trezik::live
