#include "state/fuel_carry_file.h"

#include <optional>
#include <string>
#include <string_view>

#include "core/convert.h"
#include "core/error.h"
#include "core/item_reader.h"
#include "state/form1.h"
#include "state/state_file.h"

namespace trezik {
namespace {

constexpr double kTotalTolerance = 1e-6;

std::string CarryPath(const Form1& form) { return form.trezikdir + kFuelCarryFileName; }

std::string CarryContent(const FuelCarry& carry) {
  auto flag = [](bool on) { return on ? "1" : "0"; };
  return "quantity=" + DoubleToLogText(carry.quantity) + "\r\n" +  //
         "cost=" + DoubleToLogText(carry.cost) + "\r\n" +           //
         "missed=" + flag(carry.missed) + "\r\n" +                   //
         "total=" + DoubleToLogText(carry.total_at) + "\r\n" +       //
         "partial_mark=" + flag(carry.partial_mark) + "\r\n" +       //
         "missed_mark=" + flag(carry.missed_mark) + "\r\n" +       //
         "consumption=" + DoubleToLogText(carry.consumption) + "\r\n";
}

// The carry a file's content holds; nothing when a line is not one of its
// items or a value does not read (a damaged file carries nothing).
std::optional<FuelCarry> ParseCarry(std::string_view content) {
  FuelCarry carry;
  while (!content.empty()) {
    const std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view key = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    if (key == "missed" || key == "partial_mark" || key == "missed_mark") {
      if (value != "0" && value != "1") return std::nullopt;
      bool& flag = key == "missed" ? carry.missed : key == "partial_mark" ? carry.partial_mark : carry.missed_mark;
      flag = value == "1";
      continue;
    }
    const std::optional<double> number = ParseFileNumber(value);
    if (!number || *number < 0) return std::nullopt;
    if (key == "quantity") {
      carry.quantity = *number;
    } else if (key == "cost") {
      carry.cost = *number;
    } else if (key == "total") {
      carry.total_at = *number;
    } else if (key == "consumption") {
      carry.consumption = *number;
    } else {
      return std::nullopt;
    }
  }
  return carry;
}

}  // namespace

FuelCarry& FuelCarryToWrite(Form1& form) { return form.fuel_carry_; }

void LoadFuelCarry(Form1& form) noexcept {
  FuelCarry& carry = FuelCarryToWrite(form);
  if (carry.loaded) return;
  carry = FuelCarry{};
  carry.loaded = true;
  std::optional<FuelCarry> read;
  try {
    read = ParseCarry(CurrentPlatform().ReadFile(CarryPath(form), kSettingsReadLimit));
  } catch (...) {
    return;  // missing or unreadable: nothing is carried
  }
  if (!read) return;
  // The distance restarted after the carry was written: a full tank or a
  // total reset was saved to the meters, and a power cut caught the carry.
  // Only meters read from the file tell that. The consumption of the last
  // full tank stays: the newer tank's is lost with the carry.
  const StateFileStatus& meters = form.state_file();
  if (meters.loaded && !meters.load_pending) {
    try {
      if (form.Number(form.trip_total) + kTotalTolerance < read->total_at) {
        read->quantity = 0.0;
        read->cost = 0.0;
        read->missed = false;
        read->total_at = 0.0;
      }
    } catch (const Error&) {
      // A total that is no number (the host's) tells nothing.
    }
  }
  carry = *read;
  carry.loaded = true;
  carry.figure = EntryFigure(carry);
}

namespace {

void WriteCarry(Form1& form, FuelCarry& carry) noexcept {
  try {
    WriteFileWhole(CarryPath(form), CarryContent(carry));
    carry.unsaved = false;
  } catch (...) {
    carry.unsaved = true;
  }
}

}  // namespace

void StoreFuelCarry(Form1& form, const FuelCarry& next) noexcept {
  FuelCarry& carry = FuelCarryToWrite(form);
  const bool changed = CarryContent(carry) != CarryContent(next);
  const bool unsaved = carry.unsaved;
  carry = next;
  carry.loaded = true;
  carry.unsaved = unsaved;
  if (changed || unsaved) WriteCarry(form, carry);
}

void SaveFuelCarry(Form1& form) noexcept {
  FuelCarry& carry = FuelCarryToWrite(form);
  if (carry.unsaved) WriteCarry(form, carry);
}

}  // namespace trezik
