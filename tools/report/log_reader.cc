#include "tools/report/log_reader.h"

#include <cstdio>

#include "core/convert.h"

namespace trezik::report {
namespace {

constexpr std::size_t kTripFields = 8;
constexpr std::size_t kFuelFields = 10;

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool IsTime(std::string_view text) {
  int h = 0, m = 0, s = 0;
  return text.size() == 8 && text[2] == ':' && text[5] == ':' && Digits(text, 0, 2, h) && Digits(text, 3, 2, m) &&
         Digits(text, 6, 2, s) && h < 24 && m < 60 && s < 60;
}

std::string Shown(std::string_view text) {
  constexpr std::size_t kLongest = 40;
  if (text.size() > kLongest) return "\"" + std::string(text.substr(0, kLongest)) + "...\"";
  return "\"" + std::string(text) + "\"";
}

// The first byte that no text of the plug-in holds: control characters (a
// power cut can leave NUL bytes in a file) other than the tab.
std::optional<std::size_t> ControlByte(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if ((byte < 0x20 && byte != '\t') || byte == 0x7f) return i;
  }
  return std::nullopt;
}

// Reads the numbers and texts of a split line into a record, or says why not.
class FieldReader {
 public:
  explicit FieldReader(const std::vector<std::string>& fields) : fields_(fields) {}

  std::string Date(std::size_t i) {
    if (why_.empty() && !IsDate(fields_[i])) why_ = "date " + Shown(fields_[i]) + " is not a date (YYYY-MM-DD)";
    return fields_[i];
  }
  std::string Time(std::size_t i) {
    if (why_.empty() && !IsTime(fields_[i])) why_ = "time " + Shown(fields_[i]) + " is not a time (hh:mm:ss)";
    return fields_[i];
  }
  double Number(std::size_t i, const char* name) {
    const std::optional<double> value = ParseFileNumber(fields_[i]);
    if (!value && why_.empty()) why_ = std::string(name) + " " + Shown(fields_[i]) + " is not a number";
    return value.value_or(0);
  }
  // A number in the user's format: "," or "." as its one decimal mark.
  double UserNumber(std::size_t i, const char* name) {
    std::string text = fields_[i];
    if (text.find('.') == std::string::npos) {
      for (char& c : text) {
        if (c == ',') c = '.';
      }
    }
    const std::optional<double> value = ParseFileNumber(text);
    if (!value && why_.empty()) why_ = std::string(name) + " " + Shown(fields_[i]) + " is not a number";
    return value.value_or(0);
  }
  const std::string& Text(std::size_t i) const { return fields_[i]; }
  const std::string& why() const { return why_; }

 private:
  const std::vector<std::string>& fields_;
  std::string why_;
};

std::string Key(char kind, const std::vector<std::string>& fields) {
  std::string key(1, kind);
  for (const std::string& field : fields) {
    key += '\x1f';
    key += field;
  }
  return key;
}

}  // namespace

bool IsDate(std::string_view text) {
  int y = 0, m = 0, d = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !Digits(text, 0, 4, y) || !Digits(text, 5, 2, m) ||
      !Digits(text, 8, 2, d)) {
    return false;
  }
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

std::optional<std::vector<std::string>> SplitFields(std::string_view line, std::string& why) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  while (true) {
    std::string field;
    const std::size_t number = fields.size() + 1;
    if (i < line.size() && line[i] == '"') {
      ++i;
      while (true) {
        if (i >= line.size()) {
          why = "field " + std::to_string(number) + ": the quote is not closed";
          return std::nullopt;
        }
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += line[i++];
      }
      if (i < line.size() && line[i] != ',') {
        why = "field " + std::to_string(number) + ": text after the closing quote";
        return std::nullopt;
      }
    } else {
      const std::size_t end = std::min(line.find(',', i), line.size());
      field.assign(line.substr(i, end - i));
      if (field.find('"') != std::string::npos) {
        why = "field " + std::to_string(number) + ": a quote inside a field that is not quoted";
        return std::nullopt;
      }
      i = end;
    }
    fields.push_back(std::move(field));
    if (i >= line.size()) return fields;
    ++i;  // the comma
  }
}

std::optional<LogKind> KindFromName(std::string_view file_name) {
  const std::string name = ToLowerAscii(file_name);
  if (name.find("fuel") != std::string::npos) return LogKind::kFuel;
  if (name.find("trip") != std::string::npos) return LogKind::kTrip;
  return std::nullopt;
}

LogFile ParseLog(std::string_view content, const std::string& path, std::optional<LogKind> kind) {
  LogFile log;
  log.path = path;
  if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);  // a byte-order mark an editor added

  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < content.size();) {
    std::size_t end = content.find('\n', start);
    if (end == std::string_view::npos) end = content.size();
    std::string_view line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  if (!kind) {
    for (std::string_view line : lines) {
      std::string why;
      const auto fields = SplitFields(line, why);
      if (fields && fields->size() == kTripFields) kind = LogKind::kTrip;
      if (fields && fields->size() == kFuelFields) kind = LogKind::kFuel;
      if (kind) break;
    }
  }
  log.kind = kind.value_or(LogKind::kTrip);

  bool have_previous_work = false;
  double previous_work = 0;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string_view line = lines[n];
    auto bad = [&](std::string why) { log.bad.push_back({path, static_cast<int>(n + 1), std::move(why)}); };
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;  // a blank line holds no record
    if (const auto at = ControlByte(line)) {
      char why[64];
      std::snprintf(why, sizeof why, "binary data (byte 0x%02X at column %zu)",
                    static_cast<unsigned>(static_cast<unsigned char>(line[*at])), *at + 1);
      bad(why);
      continue;
    }
    std::string why;
    const auto fields = SplitFields(line, why);
    if (!fields) {
      bad(why);
      continue;
    }
    if (!kind) {
      bad(std::to_string(fields->size()) + " fields: neither a trip record (8) nor a fill-up (10)");
      continue;
    }
    const std::size_t want = *kind == LogKind::kTrip ? kTripFields : kFuelFields;
    if (fields->size() != want) {
      bad(std::to_string(fields->size()) + " fields, " +
          (*kind == LogKind::kTrip ? "a trip record has 8" : "a fill-up record has 10"));
      continue;
    }
    FieldReader read(*fields);
    if (*kind == LogKind::kTrip) {
      TripRecord r;
      r.date = read.Date(0);
      r.time = read.Time(1);
      r.trip = read.Number(2, "trip");
      r.total = read.Number(3, "total");
      r.work = read.Number(4, "work");
      if (!read.why().empty()) {
        bad(read.why());
        continue;
      }
      r.latitude = read.Text(5);
      r.longitude = read.Text(6);
      r.place = read.Text(7);
      r.work_added = have_previous_work && r.work >= previous_work ? r.work - previous_work : r.work;
      have_previous_work = true;
      previous_work = r.work;
      r.key = Key('T', *fields);
      log.trips.push_back(std::move(r));
    } else {
      FuelRecord r;
      r.date = read.Date(0);
      r.time = read.Time(1);
      r.litres = read.Number(2, "litres");
      r.distance = read.Number(3, "distance");
      r.consumption = read.UserNumber(4, "consumption");
      r.price = read.Number(5, "price");
      r.cost_per_distance = read.Number(6, "cost per distance");
      if (!read.why().empty()) {
        bad(read.why());
        continue;
      }
      r.cost = RoundHalfEven(r.litres * r.price, 2);
      r.consumption_text = read.Text(4);
      r.latitude = read.Text(7);
      r.longitude = read.Text(8);
      r.place = read.Text(9);
      r.key = Key('F', *fields);
      log.fills.push_back(std::move(r));
    }
  }
  return log;
}

}  // namespace trezik::report
