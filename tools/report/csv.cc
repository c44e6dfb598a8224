#include "tools/report/csv.h"

#include "contract/log_record.h"
#include "tools/report/log_reader.h"

namespace trezik::report {
namespace {

constexpr char kGuard = '\'';

// An optional sign, digits and at most one "." among them.
bool IsPlainNumber(std::string_view text) {
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  bool digit = false, point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

bool NeedsGuard(std::string_view text) {
  if (text.empty()) return false;
  switch (text[0]) {
    case '=':
    case '@':
    case '\t':
    case '\r':
    case kGuard:
      return true;
    case '+':
    case '-':
      return !IsPlainNumber(text);
    default:
      return false;
  }
}

}  // namespace

std::string CsvText(std::string_view text) {
  std::string out = "\"";
  if (NeedsGuard(text)) out += kGuard;
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::optional<std::vector<std::string>> ReadCsvRow(std::string_view row, std::string& why) {
  auto fields = SplitLogFields(row, why);
  if (fields) {
    for (std::string& field : *fields) {
      if (!field.empty() && field[0] == kGuard) field.erase(0, 1);
    }
  }
  return fields;
}

}  // namespace trezik::report
