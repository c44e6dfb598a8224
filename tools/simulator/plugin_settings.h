// What the plug-in makes of the run's "trezik.ini": the settings in force and
// the items it passes over, with the reason, found by the plug-in's own item
// reader and option rules (core/item_reader, core/settings_reader,
// ApplyOption of contract/settings), not by rules of the simulator's own; and
// the calibration that would make the trip meter agree with an odometer.
#pragma once

#include <string>
#include <vector>

namespace trezik::drive {

struct SettingsCheck {
  // The items that set what the plug-in runs with, as written
  // ("minspeed=3"), in file order; "decimalplaces=2.5 (read as 2)" when the
  // plug-in rounds the value.
  std::vector<std::string> in_force;
  // The items it passes over or that leave their option off: "item: why".
  std::vector<std::string> ignored;
  double calibration = 1.0;  // the calibration factor in force
};

// Reads `trezik_ini` (the file's content) as the plug-in does at start-up,
// numbers with `decimal_mark` or ".". `metric_units` names minspeed's unit.
SettingsCheck CheckPluginSettings(const std::string& trezik_ini, char decimal_mark, bool metric_units);

// The summary's "Settings" block; empty when the file has no items.
std::string DescribeSettings(const SettingsCheck& check);

// The summary's "Odometer" block: the calibration factor that makes the trip
// meter read `odometer_km` over this drive. The meter already carries the
// factor in force, so the answer is odometer_km / trip_meter_km times it.
std::string DescribeOdometer(double odometer_km, double trip_meter_km, double calibration_in_force);

}  // namespace trezik::drive
