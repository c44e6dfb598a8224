// trezik-live's data folder: the host's folder and the plug-in's at once.
// pw.ini (made on the first start, kept after), the plug-in's trezik.ini
// (likewise), tripmeter.ini and logs, and the host's own places.csv lie
// there.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/live/folder_lock.h"
#include "tools/live/places.h"

namespace trezik::live {

// $XDG_DATA_HOME/trezik, else $HOME/.local/share/trezik (arguments are the
// variables' values, null when unset); throws std::runtime_error when
// neither is set to an absolute path.
std::string DefaultDataFolder(const char* xdg_data_home, const char* home);

// Nothing lost in a car whose power goes with the ignition: the meters are
// saved every 30 s of host time, by the plug-in's own autosave, which a
// trezik.ini made by trezik-live sets.
inline constexpr int kAutosaveSeconds = 30;

// Whether trezik.ini's content sets a valid "autosave", as the plug-in
// reads it.
bool PluginAutosaves(std::string_view trezik_ini);

// The first `limit` bytes of the regular file `path`; none when there is
// nothing by that name. Opened without following a link and without
// waiting (O_NOFOLLOW, O_NONBLOCK), so that a FIFO or a link put in the
// folder can neither hold the start nor lead elsewhere; anything but a
// regular file, and with `whole_limit` a larger one, throws
// std::runtime_error naming the file and why.
std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t limit, bool whole_limit = false);

// places.csv is the driver's own list: a few thousand places at most.
inline constexpr std::size_t kPlacesSizeLimit = 1024 * 1024;

struct DataFolder {
  std::string path;
  std::unique_ptr<FolderLock> lock;  // held while the folder is in use
  bool pw_ini_made = false;      // made now, with isunits as asked
  bool metric_units = true;      // as pw.ini says (the plug-in's own rule)
  bool plugin_autosaves = false; // trezik.ini sets a valid autosave
  bool has_places = false;       // places.csv is there
  Places places;
  std::vector<int> bad_place_lines;
  std::string places_refused;    // why places.csv was not read, when it was not
};

// Makes the folder when it is missing and locks it (throws FolderInUse when
// another trezik-live has it), then makes pw.ini ("isunits=True", or False
// when `imperial`) and trezik.ini ("autosave=30") when they are missing,
// and reads what the host needs: only
// regular files, places.csv only up to kPlacesSizeLimit. Throws
// std::runtime_error naming the file when pw.ini or trezik.ini cannot be
// made or read.
DataFolder PrepareDataFolder(const std::string& path, bool imperial);

}  // namespace trezik::live
