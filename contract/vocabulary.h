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
// The marks of the fill-up being keyed in, each key turning its mark on and
// off: a partial fill-up (the tank is not full; its fuel is carried to the
// next full tank), and a missed one (fill-ups went unkeyed since the last:
// this one gets no consumption and starts the distance anew). Accept and the
// quantity's clear key take both off.
inline constexpr std::string_view kPartialKey = "trezik_partial";
inline constexpr std::string_view kMissedKey = "trezik_missed";
// The characters a quantity or a price is keyed with.
inline constexpr std::string_view kEntryCharacters = "0123456789.";

enum class KeypadKey { kQuantity, kQuantityClear, kPrice, kPriceClear, kAccept, kPartial, kMissed };
struct Key {
  KeypadKey key;
  char character = 0;  // of kQuantity and kPrice
};

std::string QuantityKey(char character);
std::string PriceKey(char character);
// The keys that key in a whole fill-up, as the skin's keypad is pressed:
// the quantity's clear key and one key per character of QUANTITY, the
// price's likewise, then the accept. The texts are taken as they are. A
// partial or missed fill-up gets its mark's key after the clear key.
enum class FillUpMark { kNone, kPartial, kMissed };
std::vector<std::string> FillUpKeys(std::string_view quantity, std::string_view price,
                                    FillUpMark mark = FillUpMark::kNone);
// The mark's word as the simulator's script and the dashboard write it
// ("partial", "missed"; "" for none), and back.
std::string_view MarkWord(FillUpMark mark);
std::optional<FillUpMark> FindMarkWord(std::string_view word);

// The command named by NAME (any letter case), if it is one.
std::optional<Command> FindCommand(std::string_view name);
std::optional<Key> FindKeypadKey(std::string_view name);
// A plain command or a keypad key.
bool IsCommand(std::string_view name);
// Every command in lower case: the plain ones, then the keypad's keys
// (quantity digits and ".", its clear key, price digits and ".", its clear
// key, the accept, the two marks).
const std::vector<std::string>& AllCommands();

// The labels.
enum class Label {
  kTripMeter, kTripTotal, kWorkMeter, kAverageSpeed, kMaxSpeed, kFuelEntry, kSpeedUnits,
  kVolumeUnits, kConsumptionUnits, kDistanceUnit, kConsumption, kUnitPrice, kCostPerDistance, kFillUpMark,
  kTripTime, kRange,
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
    {"trezik_fillmark", Label::kFillUpMark},
    {"trezik_triptime", Label::kTripTime},
    {"trezik_range", Label::kRange},
};
std::optional<Label> FindLabel(std::string_view name);
// The name of a label, as the skin writes it.
std::string_view NameOf(Label label);

// The indicators: "True" while the work meter records, and while the entry
// on the keypad carries the partial or the missed mark (named as their keys).
inline constexpr std::string_view kWorkIndicator = "workrec";
// What an indicator returns: on, and off (also for a name that is none).
inline constexpr std::string_view kIndicatorOn = "True";
inline constexpr std::string_view kIndicatorOff = "False";
inline constexpr std::string_view kPartialIndicator = kPartialKey;
inline constexpr std::string_view kMissedIndicator = kMissedKey;

// What the consumption labels ("mpg", "trezik_costperdist") show in place
// of a figure: for a partial fill-up, and for one whose interval holds a
// missed fill-up.
inline constexpr std::string_view kPartialFigureText = "PARTIAL";
inline constexpr std::string_view kUnknownFigureText = "UNKNOWN";
// "trezik_range" shows kUnknownFigureText too, while no full tank's
// consumption is known, and "" while "trezik.ini" sets no tank.
// What the label "trezik_fillmark" shows of the entry's marks: "PARTIAL",
// "MISSED", both separated by a blank, or "" for none.
inline constexpr std::string_view kPartialMarkText = "PARTIAL";
inline constexpr std::string_view kMissedMarkText = "MISSED";

}  // namespace trezik::vocabulary
