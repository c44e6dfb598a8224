#include "tools/simulator/plugin_settings.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "core/convert.h"
#include "core/error.h"
#include "contract/settings.h"
#include "contract/vocabulary.h"

namespace trezik::drive {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// What the plug-in runs with when an item leaves its option off.
std::string WhenOff(const std::string& key) {
  if (key == kCalibrationKey) return key + " stays 1";
  if (key == kDistanceKey) return "distances on the sphere";
  if (key == kTankKey) return "no tank: " + std::string(vocabulary::NameOf(vocabulary::Label::kRange)) + " stays empty";
  return key + " is off";
}

// The range the plug-in accepts, from its own bounds.
std::string Range(const std::string& key, bool metric_units) {
  if (key == kAutosaveKey) return Number(kAutosaveMinSeconds) + " to " + Number(kAutosaveMaxSeconds) + " s";
  if (key == kMinSpeedKey) {
    return Number(kMinSpeedLow) + " to " + Number(kMinSpeedHigh) + (metric_units ? " km/h" : " mph");
  }
  if (key == kTankKey) return Number(kTankLow) + " to " + Number(kTankHigh) + (metric_units ? " litres" : " gal");
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

// What "decimalplaces" made: read (and how, when rounded), or why the places
// before stay.
Item DescribeDecimalPlaces(const SettingsItemReading& reading, char decimal_mark, std::int16_t& places) {
  Item item;
  const std::optional<std::string>& value = reading.item.value;
  if (reading.places) {
    item.applied = true;
    if (TextToDouble(*value, decimal_mark) != *reading.places) item.note = "read as " + std::to_string(*reading.places);
    places = *reading.places;
    return item;
  }
  const std::string stays = ": decimalplaces stays " + std::to_string(places);
  if (!value) {
    item.note = "no value" + stays;
  } else {
    try {
      TextToDouble(*value, decimal_mark);
      item.note = "beyond -32768 to 32767" + stays;
    } catch (const Error&) {
      item.note = "not a number" + stays;
    }
  }
  return item;
}

}  // namespace

SettingsCheck CheckPluginSettings(const std::string& trezik_ini, char decimal_mark, bool metric_units) {
  const PluginSettings settings = ReadPluginSettings(trezik_ini, decimal_mark);
  std::vector<Item> items;
  std::int16_t places = 2;
  for (const SettingsItemReading& reading : settings.items) {
    if (reading.text.empty()) continue;
    Item item;
    if (reading.item.key == kDecimalPlacesKey) {
      item = DescribeDecimalPlaces(reading, decimal_mark, places);
    } else {
      item.applied = reading.reading == OptionReading::kApplied;
      item.note = Why(reading.reading, reading.item.key, metric_units);
    }
    item.text = reading.text;
    item.key = reading.item.key;
    items.push_back(item);
  }

  SettingsCheck check;
  check.calibration = settings.options.trip.calibration;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    bool overridden = false;
    // A later item of the key decides; for "decimalplaces" only one that reads.
    for (std::size_t later = i + 1; later < items.size(); ++later) {
      if (items[later].key == item.key && (item.key != kDecimalPlacesKey || items[later].applied)) overridden = true;
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
