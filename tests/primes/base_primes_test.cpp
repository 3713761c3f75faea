// The base-prime table against the plain reference sieve, and the reach of
// the table: it must hold the first prime whose square is at least the top
// of every window below 2^50, and once extended, up to a little above 2^52.
#include "primes/base_primes.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "primes/prime_stream.hpp"
#include "reference/primes_reference.hpp"
#include "reference/reference.hpp"
#include "stream_test_util.hpp"

namespace quorvel::test {
namespace {

std::vector<std::uint64_t> table_primes() {
  std::vector<std::uint64_t> v;
  std::uint64_t p = 0;
  for (std::uint32_t i = 0; i < nprimes; ++i) {
    p += aallprimes[i];
    v.push_back(p);
  }
  return v;
}

TEST(BaseTable, HoldsExactlyThePrimesUpToTheBound) {
  ensure_full_base();
  ASSERT_EQ(aallprimes.size(), nprimes);
  const std::vector<std::uint64_t> want = ref::primes_between(0, base_prime_bound);
  const std::vector<std::uint64_t> got = table_primes();
  ASSERT_EQ(got.size(), want.size());
  const auto parted = std::mismatch(got.begin(), got.end(), want.begin());
  EXPECT_TRUE(parted.first == got.end()) << "entry " << (parted.first - got.begin()) << ": "
                                         << *parted.first << " instead of " << *parted.second;
  // Entry 0 is 2 itself, then the gaps 1, 2, 2, 4.
  EXPECT_EQ(aallprimes[0], 2);
  EXPECT_EQ(aallprimes[1], 1);
  EXPECT_EQ(aallprimes[2], 2);
  EXPECT_EQ(aallprimes[3], 2);
  EXPECT_EQ(aallprimes[4], 4);
}

TEST(BaseTable, ReachesTheTopWindowsBelowTwoToTheFifty) {
  ensure_full_base();
  const std::uint64_t last = table_primes().back();
  // The top of any window below 2^50: the window holding 2^50 and the next
  // one, for the larger window size.
  const std::uint64_t top = (std::uint64_t{1} << 50) + 4 * (std::uint64_t{1} << 22);
  const std::uint64_t q = primes_ref::first_prime_with_square_at_least(top);
  EXPECT_GE(last, q) << "the table ends at " << last << ", below Q = " << q;
}

TEST(BaseTable, AWindowAboveItsReachExtendsItOnceUpToTheCap) {
  // The sieve alone decides every window whose top is at most last^2: once
  // extended, all windows up to 2^52 + 10^12.
  ensure_full_base();
  set_sieve_window_size(1u << 19);
  const std::uint32_t built = nprimes;
  start_prime_stream((std::uint64_t{1} << 50) - 1000000);
  EXPECT_EQ(nprimes, built);
  start_prime_stream((std::uint64_t{1} << 51));
  EXPECT_GT(nprimes, built);
  const std::vector<std::uint64_t> got = table_primes();
  const std::vector<std::uint64_t> want = ref::primes_between(0, primes_detail::base_prime_cap);
  EXPECT_TRUE(got == want) << got.size() << " primes instead of " << want.size();
  const std::uint64_t top = (std::uint64_t{1} << 52) + 1000000000000;
  EXPECT_GE(got.back(), primes_ref::first_prime_with_square_at_least(top));
  // Once: a higher window leaves the table as it is.
  start_prime_stream(std::uint64_t{1} << 61);
  EXPECT_EQ(table_primes(), got);
  eratosthenes_base(base_prime_bound);  // a fresh table starts at the bound again
  EXPECT_EQ(nprimes, built);
}

TEST(BaseTable, SmallLimits) {
  // 524289 and 1048583 end just past the first and second block of 2^18 odd
  // numbers.
  for (std::uint32_t limit : {2u, 3u, 10u, 97u, 100u, 65536u, 524289u, 1048583u}) {
    eratosthenes_base(limit);
    std::vector<std::uint64_t> want = ref::primes_between(0, limit);
    EXPECT_EQ(table_primes(), want) << "limit " << limit;
    EXPECT_EQ(nprimes, want.size()) << "limit " << limit;
  }
  eratosthenes_base(1);
  EXPECT_EQ(nprimes, 0u);
  ensure_full_base();
}

}  // namespace
}  // namespace quorvel::test
