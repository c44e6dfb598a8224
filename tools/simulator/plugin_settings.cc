#include "tools/simulator/plugin_settings.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "core/convert.h"
#include "core/error.h"
#include "core/item_reader.h"
#include "core/settings_reader.h"
#include "core/plugin_options.h"

namespace trezik::drive {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// What the plug-in runs with when an item leaves its option off.
std::string WhenOff(const std::string& key) {
  if (key == "calibration") return "calibration stays 1";
  if (key == "distance") return "distances on the sphere";
  return key + " is off";
}

// The range the plug-in accepts, from its own bounds.
std::string Range(const std::string& key, bool metric_units) {
  if (key == "autosave") return Number(kAutosaveMinSeconds) + " to " + Number(kAutosaveMaxSeconds) + " s";
  if (key == "minspeed") {
    return Number(kMinSpeedLow) + " to " + Number(kMinSpeedHigh) + (metric_units ? " km/h" : " mph");
  }
  return Number(kCalibrationLow) + " to " + Number(kCalibrationHigh);
}

std::string Why(OptionReading reading, const std::string& key, bool metric_units) {
  switch (reading) {
    case OptionReading::kApplied:
      break;
    case OptionReading::kUnknownKey:
      return "unknown key, passed over";
    case OptionReading::kNoValue:
      return "no value: " + WhenOff(key);
    case OptionReading::kNotANumber:
      return "not a number: " + WhenOff(key);
    case OptionReading::kNotWhole:
      return "not a whole number: " + WhenOff(key);
    case OptionReading::kOutOfRange:
      return "out of range (" + Range(key, metric_units) + "): " + WhenOff(key);
    case OptionReading::kNotAChoice:
      return "neither sphere nor wgs84: " + WhenOff(key);
  }
  return "";
}

struct Item {
  std::string text, key;
  bool applied = false;
  std::string note;  // in force: how it was read; else why it is not
};

// "decimalplaces" is read apart from the other options (start-up's
// ReadPluginSettings): a value that does not convert keeps the places before.
Item ReadDecimalPlaces(const SettingsItem& setting, char decimal_mark, std::int16_t& places) {
  Item item;
  const std::optional<std::int16_t> read = DecimalPlacesValue(setting.value, decimal_mark);
  if (read) {
    item.applied = true;
    if (TextToDouble(*setting.value, decimal_mark) != *read) item.note = "read as " + std::to_string(*read);
    places = *read;
    return item;
  }
  const std::string stays = ": decimalplaces stays " + std::to_string(places);
  if (!setting.value) {
    item.note = "no value" + stays;
  } else {
    try {
      TextToDouble(*setting.value, decimal_mark);
      item.note = "beyond -32768 to 32767" + stays;
    } catch (const Error&) {
      item.note = "not a number" + stays;
    }
  }
  return item;
}

}  // namespace

SettingsCheck CheckPluginSettings(const std::string& trezik_ini, char decimal_mark, bool metric_units) {
  std::vector<Item> items;
  TripOptions trip;
  int autosave_seconds = 0;
  std::int16_t places = 2;
  try {
    ItemReader reader(trezik_ini.substr(0, kSettingsReadLimit));
    while (!reader.AtEnd()) {
      const std::string text = reader.Next();
      if (text.empty()) continue;
      const SettingsItem setting = SplitSettingsItem(text);
      Item item;
      if (setting.key == "decimalplaces") {
        item = ReadDecimalPlaces(setting, decimal_mark, places);
      } else {
        const OptionReading reading = ApplyOption(setting, decimal_mark, trip, autosave_seconds);
        item.applied = reading == OptionReading::kApplied;
        item.note = Why(reading, setting.key, metric_units);
      }
      item.text = text;
      item.key = setting.key;
      items.push_back(item);
    }
  } catch (const Error&) {
  }

  SettingsCheck check;
  check.calibration = trip.calibration;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    bool overridden = false;
    // A later item of the key decides; for "decimalplaces" only one that reads.
    for (std::size_t later = i + 1; later < items.size(); ++later) {
      if (items[later].key == item.key && (item.key != "decimalplaces" || items[later].applied)) overridden = true;
    }
    if (item.applied && !overridden) {
      check.in_force.push_back(item.text + (item.note.empty() ? "" : " (" + item.note + ")"));
    } else if (item.applied) {
      check.ignored.push_back(item.text + ": a later " + item.key + " item counts");
    } else {
      check.ignored.push_back(item.text + ": " + item.note);
    }
  }
  return check;
}

std::string DescribeSettings(const SettingsCheck& check) {
  if (check.in_force.empty() && check.ignored.empty()) return "";
  std::string text = "Settings  trezik.ini, as the plug-in reads it\n          in force:";
  for (std::size_t i = 0; i < check.in_force.size(); ++i) text += (i ? ", " : " ") + check.in_force[i];
  if (check.in_force.empty()) text += " none";
  text += "\n";
  if (!check.ignored.empty()) text += "          passed over by the plug-in:\n";
  for (const std::string& line : check.ignored) text += "            " + line + "\n";
  return text;
}

std::string DescribeOdometer(double odometer_km, double trip_meter_km, double calibration_in_force) {
  char line[256];
  std::snprintf(line, sizeof line,
                "Odometer  %g km by the car's odometer, %.4f km by the trip meter (calibration %g)\n",
                odometer_km, trip_meter_km, calibration_in_force);
  std::string text = line;
  if (!(trip_meter_km > 0)) {
    return text + "          the trip meter counted nothing: no calibration makes it read that\n";
  }
  const double factor = odometer_km / trip_meter_km * calibration_in_force;
  std::snprintf(line, sizeof line, "          calibration=%.6g makes the trip meter read %g km over this drive\n",
                factor, odometer_km);
  text += line;
  if (factor < kCalibrationLow || factor > kCalibrationHigh) {
    text += "          that lies outside " + Number(kCalibrationLow) + " to " + Number(kCalibrationHigh) +
            ", which the plug-in passes over: check the odometer reading and the drive\n";
  }
  return text;
}

}  // namespace trezik::drive
