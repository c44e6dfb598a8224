#include "contract/settings.h"

#include <cmath>

#include "core/convert.h"
#include "core/error.h"
#include "core/item_reader.h"

namespace trezik {

OptionReading ApplyOption(const SettingsItem& item, char decimal_mark, PluginOptions& options) {
  TripOptions& trip = options.trip;
  // Why a number's value leaves its option off.
  auto refused = [&](bool whole) {
    if (!item.value) return OptionReading::kNoValue;
    const std::optional<double> number = NumberInRange(item.value, decimal_mark, -HUGE_VAL, HUGE_VAL);
    if (!number) return OptionReading::kNotANumber;
    if (whole && *number != std::floor(*number)) return OptionReading::kNotWhole;
    return OptionReading::kOutOfRange;
  };
  if (item.key == kAutosaveKey) {
    const std::optional<int> seconds =
        WholeNumberInRange(item.value, decimal_mark, kAutosaveMinSeconds, kAutosaveMaxSeconds);
    options.autosave_seconds = seconds.value_or(0);
    return seconds ? OptionReading::kApplied : refused(true);
  }
  if (item.key == kMinSpeedKey) {
    const std::optional<double> speed = NumberInRange(item.value, decimal_mark, kMinSpeedLow, kMinSpeedHigh);
    trip.minspeed = speed.value_or(0.0);
    return speed ? OptionReading::kApplied : refused(false);
  }
  if (item.key == kCalibrationKey) {
    const std::optional<double> factor =
        NumberInRange(item.value, decimal_mark, kCalibrationLow, kCalibrationHigh);
    trip.calibration = factor.value_or(1.0);
    return factor ? OptionReading::kApplied : refused(false);
  }
  if (item.key == kTankKey) {
    const std::optional<double> size = NumberInRange(item.value, decimal_mark, kTankLow, kTankHigh);
    options.tank = size.value_or(0.0);
    return size ? OptionReading::kApplied : refused(false);
  }
  if (item.key == kDistanceKey) {
    const std::string choice = item.value ? ToLowerAscii(*item.value) : "";
    trip.wgs84 = choice == kWgs84Choice;
    if (!item.value) return OptionReading::kNoValue;
    return trip.wgs84 || choice == kSphereChoice ? OptionReading::kApplied : OptionReading::kNotAChoice;
  }
  return OptionReading::kUnknownKey;
}

PluginSettings ReadPluginSettings(std::string_view content, char decimal_mark) {
  PluginSettings settings;
  try {
    ItemReader reader(std::string(content.substr(0, kSettingsReadLimit)));
    while (!reader.AtEnd()) {
      SettingsItemReading reading;
      reading.text = reader.Next();
      reading.item = SplitSettingsItem(reading.text);
      if (reading.item.key == kDecimalPlacesKey) {
        reading.places = DecimalPlacesValue(reading.item.value, decimal_mark);
        if (reading.places) settings.decimal_places = *reading.places;
      } else {
        reading.reading = ApplyOption(reading.item, decimal_mark, settings.options);
      }
      settings.items.push_back(std::move(reading));
    }
  } catch (const Error&) {
  }
  return settings;
}

HostSettings ReadHostSettings(std::string_view content, char decimal_mark) {
  HostSettings settings;
  try {
    ItemReader reader(std::string(content.substr(0, kSettingsReadLimit)));
    while (!reader.AtEnd()) {
      const SettingsItem item = SplitSettingsItem(reader.Next());
      if (item.key == kIsUnitsKey) settings.metric_units = IsUnitsValue(item.value, decimal_mark);
    }
  } catch (const Error&) {
  }
  return settings;
}

SettingsWriter& SettingsWriter::Section(std::string_view name) {
  text_ += '[';
  text_ += name;
  text_ += "]\r\n";
  return *this;
}

SettingsWriter& SettingsWriter::Item(std::string_view key, std::string_view value) {
  text_ += key;
  text_ += '=';
  return Item(value);
}

SettingsWriter& SettingsWriter::Item(std::string_view item) {
  text_ += item;
  text_ += "\r\n";
  return *this;
}

SettingsWriter& SettingsWriter::Units(bool metric_units) {
  return Item(kIsUnitsKey, metric_units ? kTrueWord : kFalseWord);
}

}  // namespace trezik
