#include "contract/vocabulary.h"

#include "core/convert.h"

namespace trezik::vocabulary {

std::string_view NameOf(Command command) {
  for (const CommandName& entry : kCommands) {
    if (entry.command == command) return entry.name;
  }
  return {};
}

std::string QuantityKey(char character) { return std::string(kKeyPrefix) + character; }

std::string PriceKey(char character) { return std::string(kPriceKeyPrefix) + character; }

std::vector<std::string> FillUpKeys(std::string_view quantity, std::string_view price, FillUpMark mark) {
  std::vector<std::string> keys = {std::string(kQuantityClearKey)};
  if (mark == FillUpMark::kPartial) keys.emplace_back(kPartialKey);
  if (mark == FillUpMark::kMissed) keys.emplace_back(kMissedKey);
  for (char c : quantity) keys.push_back(QuantityKey(c));
  keys.emplace_back(kPriceClearKey);
  for (char c : price) keys.push_back(PriceKey(c));
  keys.emplace_back(kAcceptKey);
  return keys;
}

std::string_view MarkWord(FillUpMark mark) {
  switch (mark) {
    case FillUpMark::kPartial: return "partial";
    case FillUpMark::kMissed: return "missed";
    case FillUpMark::kNone: break;
  }
  return "";
}

std::optional<FillUpMark> FindMarkWord(std::string_view word) {
  const std::string lower = ToLowerAscii(word);
  for (FillUpMark mark : {FillUpMark::kPartial, FillUpMark::kMissed}) {
    if (lower == MarkWord(mark)) return mark;
  }
  return std::nullopt;
}

std::optional<Command> FindCommand(std::string_view name) {
  const std::string lower = ToLowerAscii(name);
  for (const CommandName& entry : kCommands) {
    if (entry.name == lower) return entry.command;
  }
  return std::nullopt;
}

std::optional<Key> FindKeypadKey(std::string_view name) {
  const std::string lower = ToLowerAscii(name);
  auto entry = [](std::string_view rest) { return rest.size() == 1 && kEntryCharacters.find(rest[0]) != std::string_view::npos; };
  if (lower == kQuantityClearKey) return Key{KeypadKey::kQuantityClear};
  if (lower == kPriceClearKey) return Key{KeypadKey::kPriceClear};
  if (lower == kAcceptKey) return Key{KeypadKey::kAccept};
  if (lower == kPartialKey) return Key{KeypadKey::kPartial};
  if (lower == kMissedKey) return Key{KeypadKey::kMissed};
  const std::string_view text = lower;
  if (text.substr(0, kPriceKeyPrefix.size()) == kPriceKeyPrefix && entry(text.substr(kPriceKeyPrefix.size()))) {
    return Key{KeypadKey::kPrice, text.back()};
  }
  if (text.substr(0, kKeyPrefix.size()) == kKeyPrefix && entry(text.substr(kKeyPrefix.size()))) {
    return Key{KeypadKey::kQuantity, text.back()};
  }
  return std::nullopt;
}

bool IsCommand(std::string_view name) { return FindCommand(name) || FindKeypadKey(name); }

const std::vector<std::string>& AllCommands() {
  static const std::vector<std::string> all = [] {
    std::vector<std::string> names;
    for (const CommandName& entry : kCommands) names.emplace_back(entry.name);
    for (char c : kEntryCharacters) names.push_back(QuantityKey(c));
    names.emplace_back(kQuantityClearKey);
    for (char c : kEntryCharacters) names.push_back(PriceKey(c));
    names.emplace_back(kPriceClearKey);
    names.emplace_back(kAcceptKey);
    names.emplace_back(kPartialKey);
    names.emplace_back(kMissedKey);
    return names;
  }();
  return all;
}

std::optional<Label> FindLabel(std::string_view name) {
  const std::string lower = ToLowerAscii(name);
  for (const LabelName& entry : kLabels) {
    if (entry.name == lower) return entry.label;
  }
  return std::nullopt;
}

std::string_view NameOf(Label label) {
  for (const LabelName& entry : kLabels) {
    if (entry.label == label) return entry.name;
  }
  return {};
}

}  // namespace trezik::vocabulary
