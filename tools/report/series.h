// A series of dated values for a chart, kept in bounded memory: past twice
// its size it is put in date order and each two neighbours become their
// mean, so a history of any length is drawn from at most `most` points, each
// standing for one or more records (the CSV files keep every record).
#pragma once

#include <cstddef>
#include <vector>

namespace trezik::report {

struct SeriesPoint {
  double when = 0;  // days since 1970-01-01
  double value = 0;
  long count = 1;   // records this point is the mean of
};

class Series {
 public:
  explicit Series(std::size_t most) : most_(most) {}
  void Add(double when, double value);
  // In date order, at most `most` points.
  std::vector<SeriesPoint> Points() const;
  long records() const { return records_; }

 private:
  static void Halve(std::vector<SeriesPoint>& points);

  std::size_t most_;
  std::vector<SeriesPoint> points_;
  long records_ = 0;
};

}  // namespace trezik::report
