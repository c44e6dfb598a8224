#include "trip/portable_math.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace trezik {
namespace {

// Units in the last place between two doubles of the same sign.
std::int64_t Ulps(double a, double b) {
  const auto x = std::bit_cast<std::int64_t>(a), y = std::bit_cast<std::int64_t>(b);
  return x > y ? x - y : y - x;
}

// glibc's routines are correctly rounded or close to it; the portable ones
// must stay within one unit in the last place of them over the arguments a
// drive produces and well beyond. mingw-w64's C library is no reference:
// its x87 sine is off by hundreds of units for arguments of a few thousand.
TEST(PortableMath, WithinOneUlpOfTheCLibrary) {
#if !defined(__GLIBC__)
  GTEST_SKIP() << "glibc is the reference";
#endif
  std::uint64_t state = 20261207;
  std::int64_t worst_sin = 0, worst_cos = 0, worst_atan = 0;
  for (int i = 0; i < 400000; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const double u = static_cast<double>(state >> 11) * 0x1.0p-53 - 0.5;
    const double x = u * (i % 3 == 0 ? 14.0 : i % 3 == 1 ? 2e-3 : 5000.0);
    const double a = u * std::pow(10.0, i % 40 - 20);
    if (std::signbit(PortableSin(x)) == std::signbit(std::sin(x))) {
      worst_sin = std::max(worst_sin, Ulps(PortableSin(x), std::sin(x)));
    } else {
      EXPECT_LT(std::abs(std::sin(x)), 1e-300) << x;
    }
    worst_cos = std::max(worst_cos, Ulps(std::abs(PortableCos(x)), std::abs(std::cos(x))));
    worst_atan = std::max(worst_atan, Ulps(PortableAtan(a), std::atan(a)));
  }
  EXPECT_LE(worst_sin, 1);
  EXPECT_LE(worst_cos, 1);
  EXPECT_LE(worst_atan, 1);
}

TEST(PortableMath, ExactAndSpecialValues) {
  EXPECT_EQ(PortableSin(0.0), 0.0);
  EXPECT_TRUE(std::signbit(PortableSin(-0.0)));
  EXPECT_EQ(PortableCos(0.0), 1.0);
  EXPECT_EQ(PortableAtan(1.0) * 4, 3.141592653589793);
  EXPECT_EQ(2 * PortableAtan(1.0), 1.5707963267948966);  // the arc cosine's constant term
  EXPECT_EQ(PortableAtan(std::numeric_limits<double>::infinity()), 1.5707963267948966);
  EXPECT_TRUE(std::isnan(PortableSin(std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(PortableCos(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_TRUE(std::isnan(PortableAtan(std::numeric_limits<double>::quiet_NaN())));
  // Near multiples of pi/2 the reduction needs its second and third rounds.
  EXPECT_NEAR(PortableCos(1.5707963267948966), 6.123233995736766e-17, 1e-32);
  EXPECT_NEAR(PortableSin(3.141592653589793), 1.2246467991473532e-16, 1e-31);
}

// Regression: the Linux and Windows C libraries gave different last bits,
// and so different meters, for the same drive. These bits are the portable
// routines' own and must not change with the platform.
TEST(PortableMath, SameBitsOnEveryPlatform) {
  const struct {
    double (*function)(double);
    double argument;
    std::uint64_t bits;
  } cases[] = {
      {PortableSin, 0.84014468913649354, 0x3fe7d4e852da4b42}, {PortableCos, 0.84014468913649354, 0x3fe55af908dcca2b},
      {PortableSin, 2.0943951023931953, 0x3febb67ae8584cab},  {PortableCos, 2.0943951023931953, 0xbfdffffffffffffc},
      {PortableSin, -5.123456789, 0x3fed55900afaeb3a},        {PortableCos, -5.123456789, 0x3fd992db444579bf},
      {PortableAtan, -412.5, 0xbff9180d54eba6f6},             {PortableAtan, 0.3, 0x3fd2a73a661eaf06},
      {PortableAtan, -1.0000000001, 0xbfe921fb544b0c50},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(c.function(c.argument)), c.bits) << c.argument;
  }
}

}  // namespace
}  // namespace trezik
