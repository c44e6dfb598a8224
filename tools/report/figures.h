// The report's figures folded record by record: each kept record is added
// once and then dropped, so a history of any size is summed in the same
// memory (one row per month, the latest rows of each table, the charts'
// bounded series).
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "tools/report/report_data.h"

namespace trezik::report {

// The `most` rows with the latest `when`; of rows at the same moment, the
// ones added last. Rows gather up to twice that many, then the earlier half
// is dropped, so a history in date order costs no more than a copy a row.
template <typename Row>
class Latest {
 public:
  explicit Latest(std::size_t most) : most_(most) {}
  // Whether a row of this moment would be kept: lets a caller skip making it.
  bool Keeps(double when) const { return most_ > 0 && (!dropped_ || when >= earliest_kept_); }
  void Add(Row row) {
    if (!Keeps(row.when)) return;
    rows_.push_back({{row.when, added_++}, std::move(row)});
    if (rows_.size() >= 2 * most_) DropEarlier();
  }
  // In date order, and in the order added at the same moment.
  std::vector<Row> Rows() const {
    std::vector<Entry> entries = rows_;
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.first < b.first; });
    const std::size_t skip = entries.size() > most_ ? entries.size() - most_ : 0;
    std::vector<Row> rows;
    for (std::size_t i = skip; i < entries.size(); ++i) rows.push_back(std::move(entries[i].second));
    return rows;
  }

 private:
  using Entry = std::pair<std::pair<double, long>, Row>;  // (when, order added), row

  void DropEarlier() {
    std::nth_element(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(rows_.size() - most_), rows_.end(),
                     [](const Entry& a, const Entry& b) { return a.first < b.first; });
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(rows_.size() - most_));
    earliest_kept_ = std::min_element(rows_.begin(), rows_.end(), [](const Entry& a, const Entry& b) {
                       return a.first < b.first;
                     })->first.first;
    dropped_ = true;
  }

  std::size_t most_;
  long added_ = 0;
  bool dropped_ = false;
  double earliest_kept_ = 0;
  std::vector<Entry> rows_;
};

class Figures {
 public:
  Figures();
  void Add(const FuelRecord& r);
  void Add(const TripRecord& r);
  // Puts the figures into `report`, whose units are chosen.
  void Finish(Report& report) const;

 private:
  void Dated(const std::string& date);

  Totals totals_;
  std::map<std::string, Sums> months_;
  double priced_litres_ = 0, priced_cost_ = 0;
  std::optional<Extreme> lowest_, highest_;
  double current_trip_ = 0;
  Latest<FillRow> fills_;
  Latest<TripRow> trips_;
  Series consumption_, price_;
};

// A text cut to at most `most` bytes at a character boundary, with "…" when cut.
std::string Shortened(const std::string& text, std::size_t most);

}  // namespace trezik::report
