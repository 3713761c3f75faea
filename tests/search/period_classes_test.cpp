// The grouping of the k periods: every k's index names its own period, and
// the split by g gives gcd(P, g) for every k and every divisor g, with no
// value listed twice; a new k table replaces the old grouping.
#include <gtest/gtest.h>

#include <numeric>
#include <set>

#include "quorvel/ktable.hpp"
#include "search/period_classes.hpp"

namespace quorvel {
namespace {

void set_periods(const std::vector<std::uint32_t>& periods) {
  num_k = static_cast<std::uint32_t>(periods.size());
  kpowerlcm = 1;
  for (std::uint32_t i = 0; i < num_k; ++i) {
    akpower[i] = periods[i];
    kpowerlcm = std::lcm(kpowerlcm, periods[i]);
  }
  build_period_classes();
}

void check_every_divisor() {
  for (std::uint32_t g = 1; g <= kpowerlcm; ++g) {
    if (kpowerlcm % g != 0) continue;
    const period_split_t& split = period_split(g);
    const std::set<std::uint32_t> distinct(split.value.begin(), split.value.begin() + split.count);
    ASSERT_EQ(distinct.size(), split.count) << g;
    for (std::uint32_t i = 0; i < num_k; ++i) {
      ASSERT_LT(split.of_k[i], split.count);
      ASSERT_EQ(split.value[split.of_k[i]], std::gcd(akpower[i], g)) << g << " " << i;
    }
    // A second look-up gives the same split.
    ASSERT_EQ(&period_split(g), &split);
  }
}

TEST(PeriodClasses, SplitsEveryDivisorAndFollowsANewTable) {
  set_periods({24, 12, 36, 24, 72, 24, 36, 24, 24, 12, 8});
  for (std::uint32_t i = 0; i < num_k; ++i)
    for (std::uint32_t j = 0; j < num_k; ++j)
      ASSERT_EQ(period_index[i] == period_index[j], akpower[i] == akpower[j]) << i << " " << j;
  check_every_divisor();
  set_periods({1, 16, 48, 5, 7, 360, 35});  // kpowerlcm 5040
  check_every_divisor();
}

}  // namespace
}  // namespace quorvel
