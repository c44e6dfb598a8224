#include "tools/report/log_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/convert.h"
#include "contract/log_record.h"

namespace trezik::report {
namespace {

constexpr std::size_t kTripFields = kTripFieldCount;
constexpr std::size_t kFuelFields = kFuelFieldCount;

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
  std::string Date(const std::string& field) {
    if (why_.empty() && !IsDate(field)) why_ = "date " + Shown(field) + " is not a date (YYYY-MM-DD)";
    return field;
  }
  std::string Time(const std::string& field) {
    if (why_.empty() && !IsTime(field)) why_ = "time " + Shown(field) + " is not a time (hh:mm:ss)";
    return field;
  }
  double Number(const std::string& field, const char* name) {
    const std::optional<double> value = ParseFileNumber(field);
    if (!value && why_.empty()) why_ = std::string(name) + " " + Shown(field) + " is not a number";
    return value.value_or(0);
  }
  // A number in the user's format: "," or "." as its one decimal mark.
  double UserNumber(const std::string& field, const char* name) {
    std::string text = field;
    if (text.find('.') == std::string::npos) {
      for (char& c : text) {
        if (c == ',') c = '.';
      }
    }
    const std::optional<double> value = ParseFileNumber(text);
    if (!value && why_.empty()) why_ = std::string(name) + " " + Shown(field) + " is not a number";
    return value.value_or(0);
  }
  const std::string& why() const { return why_; }

 private:
  std::string why_;
};

// FNV-1a over the kind and the fields, each ended by a byte no field holds.
std::uint64_t Hash(char kind, const std::vector<std::string>& fields) {
  std::uint64_t hash = 14695981039346656037ull;
  auto add = [&](unsigned char byte) {
    hash ^= byte;
    hash *= 1099511628211ull;
  };
  add(static_cast<unsigned char>(kind));
  for (const std::string& field : fields) {
    for (char c : field) add(static_cast<unsigned char>(c));
    add(0x1f);
  }
  return hash;
}

// Places after the decimal mark of a logged number.
int Decimals(std::string_view text) {
  const std::size_t point = text.find('.');
  return point == std::string_view::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

}  // namespace

std::optional<LogKind> KindFromName(std::string_view file_name) {
  const std::string name = ToLowerAscii(file_name);
  if (name.find("fuel") != std::string::npos) return LogKind::kFuel;
  if (name.find("trip") != std::string::npos) return LogKind::kTrip;
  return std::nullopt;
}

ParsedLine LogParser::Line(std::string_view line, bool cut) {
  ParsedLine out;
  auto bad = [&](std::string why) {
    out.what = ParsedLine::kBad;
    out.why = std::move(why);
    return out;
  };
  if (cut) return bad("longer than " + std::to_string(kLongestLogLine / 1024) + " KiB: not a log line");
  if (line.find_first_not_of(" \t") == std::string_view::npos) return out;  // a blank line holds no record
  if (const auto at = ControlByte(line)) {
    char why[64];
    std::snprintf(why, sizeof why, "binary data (byte 0x%02X at column %zu)",
                  static_cast<unsigned>(static_cast<unsigned char>(line[*at])), *at + 1);
    return bad(why);
  }
  std::string why;
  const auto fields = SplitLogFields(line, why);
  if (!fields) return bad(why);
  if (!kind_ && fields->size() == kTripFields) kind_ = LogKind::kTrip;
  const bool marked = fields->size() == kMarkedFuelFieldCount;
  if (!kind_ && (fields->size() == kFuelFields || marked)) kind_ = LogKind::kFuel;
  if (!kind_) {
    return bad(std::to_string(fields->size()) + " fields: neither a trip record (8) nor a fill-up (10, or 11 marked)");
  }
  const bool trip = *kind_ == LogKind::kTrip;
  if (trip ? fields->size() != kTripFields : fields->size() != kFuelFields && !marked) {
    return bad(std::to_string(fields->size()) + " fields, " +
               (trip ? "a trip record has 8" : "a fill-up record has 10, or 11 marked"));
  }
  FieldReader read;
  out.hash = Hash(trip ? 'T' : 'F', *fields);
  if (!trip) {
    const FuelLogFields f = *ReadFuelRecord(*fields);
    FuelRecord& r = out.fill;
    r.date = read.Date(f.date);
    r.time = read.Time(f.time);
    r.litres = read.Number(f.quantity, "litres");
    r.distance = read.Number(f.distance, "distance");
    if (f.mark) {
      const std::optional<FuelMark> mark = ReadFuelMark(*f.mark);
      if (!mark) return bad("mark " + Shown(*f.mark) + " is neither \"partial\" nor \"missed\"");
      r.mark = *mark;
      r.figure = false;  // a marked fill-up logs no consumption of its own
    } else {
      r.consumption = read.UserNumber(f.consumption, "consumption");
      r.cost_per_distance = read.Number(f.cost_per_distance, "cost per distance");
    }
    r.price = read.Number(f.price, "price");
    if (!read.why().empty()) return bad(read.why());
    r.cost = RoundHalfEven(r.litres * r.price, 2);
    // The interval since the last full tank: a partial fill-up is carried
    // to the next full one, which closes it over its own distance (the
    // distance since the last full tank).
    open_.fuel += r.litres;
    open_.cost += r.cost;
    if (r.mark.missed) open_.known = false;
    if (!r.mark.partial) {
      open_.distance = r.distance;
      r.closes = open_;
      open_ = FillInterval{};
    }
    r.latitude = f.latitude;
    r.longitude = f.longitude;
    r.place = f.place;
    out.what = ParsedLine::kFuel;
    return out;
  }
  const TripLogFields f = *ReadTripRecord(*fields);
  TripRecord& r = out.trip;
  r.date = read.Date(f.date);
  r.time = read.Time(f.time);
  r.trip = read.Number(f.trip, "trip");
  r.total = read.Number(f.total, "total");
  r.work = read.Number(f.work, "work");
  if (!read.why().empty()) return bad(read.why());
  r.latitude = f.latitude;
  r.longitude = f.longitude;
  r.place = f.place;
  // The log's places: the most any of its meters showed so far (a meter
  // of 12.00 is logged as 12).
  decimals_ = std::max({decimals_, Decimals(f.trip), Decimals(f.total)});
  if (previous_) {
    const TripRecord& p = *previous_;
    r.work_added = r.work >= p.work ? r.work - p.work : r.work;
    // The record goes on with the trip before when the trip meter grew as
    // much as the total since the fill-up did (both count every step; each is
    // rounded to the log's places). It did not when the trip meter went down,
    // or grew less: it was reset in between and counts from 0 again. When the
    // total went down (a fill-up in between), it counts from that fill-up:
    // the trip meter must have grown at least as much.
    const double tolerance = 2 * std::pow(10.0, -decimals_) + 1e-9;
    const bool grew = r.trip >= p.trip;
    const double total_grew = r.total < p.total ? r.total : r.total - p.total;
    const bool kept_pace = r.trip - p.trip >= total_grew - tolerance;
    r.new_trip = !(grew && kept_pace);
    if (!r.new_trip) {
      const double seconds = (When(r.date, r.time) - When(p.date, p.time)) * 86400;
      r.seconds = seconds > 0 && seconds < 86400 ? std::round(seconds) : 0;
    }
  } else {
    r.work_added = r.work;
  }
  r.trip_added = r.new_trip ? r.trip : r.trip - previous_->trip;
  previous_ = TripRecord{r.date, r.time, r.trip, r.total, r.work, 0, 0, true, 0, {}, {}, {}};
  out.what = ParsedLine::kTrip;
  return out;
}

}  // namespace trezik::report
