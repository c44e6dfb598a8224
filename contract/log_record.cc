#include "contract/log_record.h"

#include <algorithm>

#include "contract/log_line.h"

namespace trezik {

namespace {
constexpr std::string_view kPartialWord = "partial";
constexpr std::string_view kMissedWord = "missed";
}  // namespace

std::string FuelMarkText(FuelMark mark) {
  std::string text;
  if (mark.partial) text += kPartialWord;
  if (mark.missed) text += (text.empty() ? "" : " ") + std::string(kMissedWord);
  return text;
}

std::optional<FuelMark> ReadFuelMark(std::string_view text) {
  FuelMark mark;
  while (!text.empty()) {
    const std::size_t blank = text.find(' ');
    const std::string_view word = text.substr(0, blank);
    text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    if (word.empty()) continue;
    if (word == kPartialWord) {
      mark.partial = true;
    } else if (word == kMissedWord) {
      mark.missed = true;
    } else {
      return std::nullopt;
    }
  }
  if (!mark.any()) return std::nullopt;
  return mark;
}

std::optional<std::vector<std::string>> SplitLogFields(std::string_view line, std::string& why) {
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

std::string WriteTripRecord(const TripLogRecord& r) {
  return LogLine()
      .Text(r.date)
      .Text(r.time)
      .Number(r.trip)
      .Number(r.total)
      .Number(r.work)
      .Text(r.latitude)
      .Text(r.longitude)
      .Text(r.place)
      .Finish();
}

std::string WriteFuelRecord(const FuelLogRecord& r) {
  LogLine line;
  line.Text(r.date).Text(r.time).Number(r.quantity).Number(r.distance).Text(r.consumption).Number(r.price);
  if (r.cost_per_distance) {
    line.Number(*r.cost_per_distance);
  } else {
    line.Empty();
  }
  line.Text(r.latitude).Text(r.longitude).Text(r.place);
  if (r.mark.any()) line.Text(FuelMarkText(r.mark));
  return line.Finish();
}

std::optional<TripLogFields> ReadTripRecord(const std::vector<std::string>& f) {
  if (f.size() != kTripFieldCount) return std::nullopt;
  return TripLogFields{f[kTripDate],  f[kTripTime],     f[kTripMeter],      f[kTripTotal],
                       f[kTripWork],  f[kTripLatitude], f[kTripLongitude],  f[kTripPlace]};
}

std::optional<TripLogFields> ReadTripRecord(std::string_view line) {
  std::string why;
  const auto fields = SplitLogFields(line, why);
  return fields ? ReadTripRecord(*fields) : std::nullopt;
}

std::optional<FuelLogFields> ReadFuelRecord(const std::vector<std::string>& f) {
  if (f.size() != kFuelFieldCount && f.size() != kMarkedFuelFieldCount) return std::nullopt;
  FuelLogFields r{f[kFuelDate],  f[kFuelTime],  f[kFuelQuantity], f[kFuelDistance], f[kFuelConsumption],
                  f[kFuelPrice], f[kFuelCostPerDistance], f[kFuelLatitude], f[kFuelLongitude], f[kFuelPlace],
                  std::nullopt};
  if (f.size() == kMarkedFuelFieldCount) r.mark = f[kFuelMark];
  return r;
}

std::optional<FuelLogFields> ReadFuelRecord(std::string_view line) {
  std::string why;
  const auto fields = SplitLogFields(line, why);
  return fields ? ReadFuelRecord(*fields) : std::nullopt;
}

}  // namespace trezik
