// The references themselves, on facts known independently of them.
#include "reference/reference.hpp"

#include <gtest/gtest.h>

namespace quorvel::ref {
namespace {

TEST(Reference, PrimeCountsMatchKnownValues) {
  EXPECT_EQ(primes_between(0, 1000000).size(), 78498u);
  EXPECT_EQ(primes_between(0, 10).size(), 4u);
  // pi(10^9 + 10^5) - pi(10^9) = 4832 (counted independently by Miller-Rabin).
  std::size_t count = 0;
  for (std::uint64_t n = 1000000000; n <= 1000100000; ++n) count += is_prime(n);
  EXPECT_EQ(primes_between(1000000000, 1000100000).size(), count);
  EXPECT_EQ(primes_between(1125899906842597ULL, 1125899906842624ULL),
            std::vector<std::uint64_t>{1125899906842597ULL});
}

TEST(Reference, FactorSearchFindsKnownFactors) {
  // 7*2^104+1 = 1423 * 2843 * ... ; 3*2^2+1 = 13.
  const std::vector<std::int64_t> ks = {7, 3};
  const std::vector<std::vector<std::uint32_t>> ns = {{100, 104}, {2, 3}};
  const auto f = factors(ks, ns, +1, 1000, 3000);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0], (Factor{1423, 0, 104}));
  EXPECT_EQ(f[1], (Factor{2843, 0, 104}));
  EXPECT_EQ(candidate_mod(3, 2, +1, 13), 0u);
  EXPECT_EQ(factor_line(1423, 7, 104, +1), "1423 | 7*2^104+1");
  EXPECT_EQ(order_mod(2, 7), 3u);
  EXPECT_EQ(order_mod(2, 1000000007), 500000003u);
}

}  // namespace
}  // namespace quorvel::ref
