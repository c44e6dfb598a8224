// The settings reader: the whole input is a "pw.ini" or "trezik.ini", read
// item by item as start-up reads it, each item split into key and value and
// the value read as "isunits" and as "decimalplaces", with "." and with ",".
//
// Properties: the reader ends after at most one item per byte and then fails
// with kInputPastEnd; every item is a piece of the file, and one holding a
// comma, CR or LF was quoted there; a key is lower-case and neither key nor
// value holds "="; the value readers never throw, and "decimalplaces" gives
// a whole number within half a unit of the value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/convert.h"
#include "core/error.h"
#include "core/item_reader.h"
#include "core/settings_reader.h"
#include "oracles.h"

namespace trezik::fuzz {
namespace {

void CheckItem(const std::string& content, const std::string& item, char mark) {
  Expect(content.find(item) != std::string::npos, "the item " + Shown(item) + " is not in the file");
  if (item.find_first_of(",\r\n") != std::string::npos) {
    Expect(content.find('"' + item) != std::string::npos,
           "the item " + Shown(item) + " runs over a delimiter without quotes");
  }
  const SettingsItem split = SplitSettingsItem(item);
  Expect(split.key.find_first_of("=ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos,
         "the key " + Shown(split.key) + " of " + Shown(item) + " holds '=' or a capital");
  Expect(!split.value || split.value->find('=') == std::string::npos,
         "the value of " + Shown(item) + " holds '='");
  Expect(!split.value || item.find(*split.value) != std::string::npos,
         "the value of " + Shown(item) + " is not in it");
  IsUnitsValue(split.value, mark);
  if (const std::optional<std::int16_t> places = DecimalPlacesValue(split.value, mark)) {
    const double number = TextToDouble(*split.value, mark);
    Expect(std::fabs(number - *places) <= 0.5,
           "decimalplaces " + Shown(*split.value) + " gives " + std::to_string(*places));
  }
}

void ReadAll(const std::string& content, char mark) {
  ItemReader reader(content);
  std::size_t items = 0;
  while (!reader.AtEnd()) {
    Expect(++items <= content.size(), "the reader makes no progress");
    CheckItem(content, reader.Next(), mark);
  }
  try {
    reader.Next();
  } catch (const Error& error) {
    Expect(error.kind() == ErrorKind::kInputPastEnd, "a read past the end fails with the wrong kind");
    return;
  }
  Broken("a read past the end gives an item");
}

}  // namespace
}  // namespace trezik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  trezik::fuzz::ReadAll(content, '.');
  trezik::fuzz::ReadAll(content, ',');
  return 0;
}
