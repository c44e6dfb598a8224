// The chart's thinning and label rows.
#include "tools/simulator/chart_layout.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace trezik::drive {
namespace {

// A week of one-second values: a meter climbing one unit a tick, reset to 0
// at tick 400,000, and a one-tick spike of 1e9 at tick 300,001. Drawn over
// 900 columns it keeps at most 3,600 points, yet the first and last tick,
// the spike and the bottom of the reset.
TEST(ThinnedIndices, AWeekKeepsABoundedNumberOfPointsAndEverySpikeAndFall) {
  const std::size_t week = 7 * 86400;
  auto value = [](std::size_t i) {
    if (i == 300001) return 1e9;
    return static_cast<double>(i < 400000 ? i : i - 400000);
  };
  const std::vector<std::size_t> kept = ThinnedIndices(week, 900, value);
  EXPECT_LE(kept.size(), 3600u);
  EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));
  EXPECT_EQ(std::adjacent_find(kept.begin(), kept.end()), kept.end());
  for (const std::size_t must : {std::size_t{0}, week - 1, std::size_t{300001}, std::size_t{399999},
                                 std::size_t{400000}}) {
    EXPECT_TRUE(std::binary_search(kept.begin(), kept.end(), must)) << must;
  }
  // Fewer values than columns: every one.
  EXPECT_EQ(ThinnedIndices(5, 900, value), (std::vector<std::size_t>{0, 1, 2, 3, 4}));
}

TEST(PlaceLabels, LabelsNeverOverlapAndStayWithinTheChart) {
  const std::vector<ChartLabel> labels = {
      {100, {"trip record"}},
      {100, {"fill-up 41.37 L at 1.859 per L", "6.81 L/100KM over 607.63 Km, 0.13 per Km"}},
      {105, {"trip record"}},
      {600, {"trip record"}},
      {1050, {"fill-up refused 5 L at 1.5 per L"}},
  };
  const std::vector<PlacedLabel> placed = PlaceLabels(labels, 4, 1056);
  ASSERT_EQ(placed.size(), labels.size());
  // The first and the far one share the top row; the one at the right edge
  // ends at its x.
  EXPECT_EQ(placed[0].row, 0);
  EXPECT_EQ(placed[3].row, 0);
  EXPECT_TRUE(placed[4].ends_at_x);
  EXPECT_EQ(placed[4].right, 1050);
  for (std::size_t i = 0; i < placed.size(); ++i) {
    EXPECT_GE(placed[i].left, 4);
    EXPECT_LE(placed[i].right, 1056);
    for (std::size_t j = 0; j < i; ++j) {
      const int rows_i = static_cast<int>(labels[i].lines.size()), rows_j = static_cast<int>(labels[j].lines.size());
      const bool rows_meet = placed[i].row < placed[j].row + rows_j && placed[j].row < placed[i].row + rows_i;
      const bool spans_meet = placed[i].left < placed[j].right && placed[j].left < placed[i].right;
      EXPECT_FALSE(rows_meet && spans_meet) << i << " and " << j;
    }
  }
}

}  // namespace
}  // namespace trezik::drive
