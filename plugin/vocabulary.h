// The names a skin uses with the plug-in, each written once: the commands
// (the buttons and the fuel keypad's keys), the labels and the indicator.
// The dispatcher and the label lookup go by these tables, and the tools take
// their names from here: the simulator's skin script, the dashboard and its
// page, the soak and the Windows test host. Names are matched without regard
// to letter case (ASCII), as the host passes them on as the skin wrote them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trezik::vocabulary {

// The plain commands, in the order a skin's documentation lists them.
enum class Command { kResetTrip, kResetTotal, kResetWork, kLogTrip, kLogWork, kUpdateTrip, kUpdateIni, kSaveTrip };

struct CommandName {
  std::string_view name;
  Command command;
};
inline constexpr CommandName kCommands[] = {
    {"resettrip", Command::kResetTrip},   {"resettotal", Command::kResetTotal},
    {"resetwork", Command::kResetWork},   {"logtrip", Command::kLogTrip},
    {"logwork", Command::kLogWork},       {"updatetrip", Command::kUpdateTrip},
    {"updateini", Command::kUpdateIni},   {"savetrip", Command::kSaveTrip},
};

// The name of a plain command, as the skin writes it.
std::string_view NameOf(Command command);

// The fuel keypad: "trezik_" and a character of the quantity (a digit or
// "."), "trezik_p" and one of the price, the two clear keys and the accept.
inline constexpr std::string_view kKeyPrefix = "trezik_";
inline constexpr std::string_view kPriceKeyPrefix = "trezik_p";
inline constexpr std::string_view kQuantityClearKey = "trezik_clr";
inline constexpr std::string_view kPriceClearKey = "trezik_pclr";
inline constexpr std::string_view kAcceptKey = "trezik_ok";
// The characters a quantity or a price is keyed with.
inline constexpr std::string_view kEntryCharacters = "0123456789.";

enum class KeypadKey { kQuantity, kQuantityClear, kPrice, kPriceClear, kAccept };
struct Key {
  KeypadKey key;
  char character = 0;  // of kQuantity and kPrice
};

std::string QuantityKey(char character);
std::string PriceKey(char character);
// The keys that key in a whole fill-up, as the skin's keypad is pressed:
// the quantity's clear key and one key per character of QUANTITY, the
// price's likewise, then the accept. The texts are taken as they are.
std::vector<std::string> FillUpKeys(std::string_view quantity, std::string_view price);

// The command named by NAME (any letter case), if it is one.
std::optional<Command> FindCommand(std::string_view name);
std::optional<Key> FindKeypadKey(std::string_view name);
// A plain command or a keypad key.
bool IsCommand(std::string_view name);
// Every command in lower case: the plain ones, then the keypad's keys
// (quantity digits and ".", its clear key, price digits and ".", its clear
// key, the accept).
const std::vector<std::string>& AllCommands();

// The labels.
enum class Label {
  kTripMeter, kTripTotal, kWorkMeter, kAverageSpeed, kMaxSpeed, kFuelEntry, kSpeedUnits,
  kVolumeUnits, kConsumptionUnits, kDistanceUnit, kConsumption, kUnitPrice, kCostPerDistance,
};
struct LabelName {
  std::string_view name;
  Label label;
};
inline constexpr LabelName kLabels[] = {
    {"tripmeter", Label::kTripMeter},
    {"triptotal", Label::kTripTotal},
    {"workmeter", Label::kWorkMeter},
    {"avspeed", Label::kAverageSpeed},
    {"maxspeed", Label::kMaxSpeed},
    {"fuelunits", Label::kFuelEntry},
    {"speedunits", Label::kSpeedUnits},
    {"volunits", Label::kVolumeUnits},
    {"consumpunits", Label::kConsumptionUnits},
    {"trezik_distunit", Label::kDistanceUnit},
    {"mpg", Label::kConsumption},
    {"trezik_unitprice", Label::kUnitPrice},
    {"trezik_costperdist", Label::kCostPerDistance},
};
std::optional<Label> FindLabel(std::string_view name);
// The name of a label, as the skin writes it.
std::string_view NameOf(Label label);

// The one indicator: "True" while the work meter records.
inline constexpr std::string_view kWorkIndicator = "workrec";

}  // namespace trezik::vocabulary
