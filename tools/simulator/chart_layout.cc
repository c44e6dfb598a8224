#include "tools/simulator/chart_layout.h"

#include <algorithm>

namespace trezik::drive {

std::vector<std::size_t> ThinnedIndices(std::size_t count, std::size_t columns,
                                        const std::function<double(std::size_t)>& value) {
  std::vector<std::size_t> kept;
  if (count == 0) return kept;
  columns = std::max<std::size_t>(columns, 1);
  for (std::size_t column = 0; column < columns; ++column) {
    const std::size_t from = column * count / columns, to = (column + 1) * count / columns;
    if (from >= to) continue;
    std::size_t low = from, high = from;
    for (std::size_t i = from + 1; i < to; ++i) {
      const double v = value(i);
      if (v < value(low)) low = i;
      if (v > value(high)) high = i;
    }
    std::size_t four[] = {from, low, high, to - 1};
    std::sort(std::begin(four), std::end(four));
    for (const std::size_t i : four) {
      if (kept.empty() || kept.back() != i) kept.push_back(i);
    }
  }
  return kept;
}

double LabelWidth(std::size_t characters) { return 7.0 * static_cast<double>(characters) + 4.0; }

std::vector<PlacedLabel> PlaceLabels(const std::vector<ChartLabel>& labels, double left, double right, double gap) {
  std::vector<PlacedLabel> placed;
  // Per row, the spans taken.
  std::vector<std::vector<std::pair<double, double>>> rows;
  auto free = [&](int row, double from, double to) {
    if (row >= static_cast<int>(rows.size())) return true;
    for (const auto& [a, b] : rows[static_cast<std::size_t>(row)]) {
      if (from < b + gap && a < to + gap) return false;
    }
    return true;
  };
  for (const ChartLabel& label : labels) {
    std::size_t longest = 0;
    for (const std::string& line : label.lines) longest = std::max(longest, line.size());
    const double width = LabelWidth(longest);
    PlacedLabel at;
    at.ends_at_x = label.x + width > right;
    at.left = std::max(left, at.ends_at_x ? label.x - width : label.x);
    at.right = at.left + width;
    const int height = std::max<int>(1, static_cast<int>(label.lines.size()));
    for (at.row = 0;; ++at.row) {
      bool fits = true;
      for (int r = at.row; r < at.row + height && fits; ++r) fits = free(r, at.left, at.right);
      if (fits) break;
    }
    for (int r = at.row; r < at.row + height; ++r) {
      if (r >= static_cast<int>(rows.size())) rows.resize(static_cast<std::size_t>(r) + 1);
      rows[static_cast<std::size_t>(r)].push_back({at.left, at.right});
    }
    placed.push_back(at);
  }
  return placed;
}

}  // namespace trezik::drive
