// Layout helpers of the drive chart: lines thinned to a bounded number of
// points, and labels set in rows where none overlaps another.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace trezik::drive {

// The indices of `count` values worth drawing across `columns` columns: in
// each column's share of the values the first, the lowest, the highest and
// the last, in order and each once. At most 4 * columns indices whatever
// the count, and every spike and fall still shows at its full height.
std::vector<std::size_t> ThinnedIndices(std::size_t count, std::size_t columns,
                                        const std::function<double(std::size_t)>& value);

// A label of one or more lines that belongs at `x`: drawn starting there,
// or ending there when it would not fit to the right.
struct ChartLabel {
  double x = 0;
  std::vector<std::string> lines;
};

// Where a label goes: its left edge, whether it ends at its x, and its
// first row (its lines take this row and the ones below).
struct PlacedLabel {
  double left = 0, right = 0;
  bool ends_at_x = false;
  int row = 0;
};

// The width a text of `characters` takes at the chart's 12 px sans-serif,
// counted generously.
double LabelWidth(std::size_t characters);

// Places the labels, in order, each in the first rows where it overlaps no
// label placed before it (with `gap` pixels between), within [`left`,
// `right`].
std::vector<PlacedLabel> PlaceLabels(const std::vector<ChartLabel>& labels, double left, double right,
                                     double gap = 8.0);

}  // namespace trezik::drive
