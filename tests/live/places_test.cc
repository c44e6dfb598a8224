// The place the host names: the nearest of places.csv within 2 km. The
// distances are worked by hand: along a meridian 0.01 degree is
// 6371008.8 m x pi / 18000 = 1111.95 m; along the parallel of 60 degrees
// half that per degree of longitude.
#include "tools/live/places.h"

#include <gtest/gtest.h>

namespace trezik::live {
namespace {

TEST(Places, MetresBetweenPointsWorkedByHand) {
  struct Case {
    double lat1, lon1, lat2, lon2, metres;
  } cases[] = {
      {48.0, 11.0, 48.01, 11.0, 1111.95},     // 0.01 degree of latitude
      {48.0, 11.0, 47.982, 11.0, 2001.51},    // 0.018 degree, southwards
      {0.0, 0.0, 0.0, 0.018, 2001.51},        // the same along the equator
      {60.0, 11.0, 60.0, 11.02, 1111.95},     // cos 60 = 1/2: 0.02 degree of longitude
      {10.0, 20.0, 10.0, 20.0, 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(MetresBetween(c.lat1, c.lon1, c.lat2, c.lon2), c.metres, 0.05) << c.lat2 << " " << c.lon2;
  }
}

TEST(Places, TheNearestWithinTwoKilometresAndNoneFarther) {
  const Places places({{"far north", 48.02, 11.0}, {"south", 47.99, 11.0}, {"near north", 48.005, 11.0}});
  const Place* nearest = places.Nearest(48.0, 11.0);
  ASSERT_NE(nearest, nullptr);
  EXPECT_EQ(nearest->name, "near north");  // 556 m, before south's 1112 m
  // From 48.03: far north lies 1112 m off, the others 2780 m and more.
  ASSERT_NE(places.Nearest(48.03, 11.0), nullptr);
  EXPECT_EQ(places.Nearest(48.03, 11.0)->name, "far north");
  // From 48.0385 far north lies 2057 m off: out of reach.
  EXPECT_EQ(places.Nearest(48.0385, 11.0), nullptr);
  EXPECT_EQ(Places().Nearest(48.0, 11.0), nullptr);
}

TEST(Places, ParseTakesTheLastTwoFieldsAsNumbersAndNamesTheBadLines) {
  std::vector<int> bad;
  const Places places = Places::Parse(
      "# name, latitude, longitude\r\n"
      "Home, 49.0265667, 12.0652767\r\n"
      "\"Regensburg, Hbf\",49.0117,12.0998\n"
      "\n"
      "No numbers, north, east\n"
      "Too far north, 91, 12\n"
      "Office,49.02,12.07",
      bad);
  ASSERT_EQ(places.size(), 3u);
  EXPECT_EQ(places.Nearest(49.0118, 12.0998)->name, "Regensburg, Hbf");
  EXPECT_EQ(places.Nearest(49.0265, 12.0652)->name, "Home");
  EXPECT_EQ(places.Nearest(49.0201, 12.0701)->name, "Office");
  EXPECT_EQ(bad, (std::vector<int>{5, 6}));
}

}  // namespace
}  // namespace trezik::live
