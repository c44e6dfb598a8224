#include "tools/report/series.h"

#include <algorithm>

namespace trezik::report {

void Series::Halve(std::vector<SeriesPoint>& points) {
  std::stable_sort(points.begin(), points.end(),
                   [](const SeriesPoint& a, const SeriesPoint& b) { return a.when < b.when; });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < points.size(); i += 2) {
    SeriesPoint p = points[i];
    if (i + 1 < points.size()) {
      const SeriesPoint& q = points[i + 1];
      const double n = static_cast<double>(p.count + q.count);
      p.when = (p.when * static_cast<double>(p.count) + q.when * static_cast<double>(q.count)) / n;
      p.value = (p.value * static_cast<double>(p.count) + q.value * static_cast<double>(q.count)) / n;
      p.count += q.count;
    }
    points[kept++] = p;
  }
  points.resize(kept);
}

void Series::Add(double when, double value) {
  ++records_;
  points_.push_back({when, value, 1});
  if (points_.size() >= 2 * most_) Halve(points_);
}

std::vector<SeriesPoint> Series::Points() const {
  std::vector<SeriesPoint> points = points_;
  while (points.size() > most_) Halve(points);
  std::stable_sort(points.begin(), points.end(),
                   [](const SeriesPoint& a, const SeriesPoint& b) { return a.when < b.when; });
  return points;
}

}  // namespace trezik::report
