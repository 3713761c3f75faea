// The interval sieve against the plain reference sieve: intervals of every
// length up to the longest, odd and even ends, the base primes' own range,
// 10^12, and the windows above 2^50 up to 2^62 where the primality test
// decides what the sieve leaves standing; and two sieves on interleaved
// intervals, as two workers take them.
#include "primes/interval_sieve.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "reference/primes_reference.hpp"
#include "stream_test_util.hpp"

namespace quorvel::test {
namespace {

/// The primes p, low < p <= high, from the reference sieve.
std::vector<std::uint64_t> reference_between(std::uint64_t low, std::uint64_t high) {
  return primes_ref::primes_in(low + 1, high);
}

class IntervalSieve : public ::testing::Test {
 protected:
  void SetUp() override { ensure_full_base(); }
};

TEST_F(IntervalSieve, MatchesThePlainSieveOnIntervalsOfEveryShape) {
  std::mt19937_64 rng(7719);
  interval_sieve sieve(1u << 12);  // 8192 numbers, segments of 4096 odd numbers
  std::vector<std::uint64_t> out;
  for (const std::uint64_t start :
       {std::uint64_t{1} << 20, std::uint64_t{33554432}, std::uint64_t{1000000000000}}) {
    for (int i = 0; i < 40; ++i) {
      const std::uint64_t low = (start + rng() % 10000000) & ~std::uint64_t{1};
      // Every length from nothing to the longest, ends odd and even.
      const std::uint64_t length = i == 0 ? sieve.span() : i == 1 ? 0 : rng() % (sieve.span() + 1);
      sieve.primes_between(low, low + length, out);
      ASSERT_EQ(out, reference_between(low, low + length)) << low << " +" << length;
    }
  }
}

TEST_F(IntervalSieve, LongIntervalsWithManySegments) {
  interval_sieve sieve(1u << 22);
  std::vector<std::uint64_t> out;
  const std::uint64_t low = 1000000000000;
  sieve.primes_between(low, low + sieve.span(), out);
  ASSERT_GT(out.size(), 250000u);
  EXPECT_EQ(out, reference_between(low, low + sieve.span()));
  sieve.primes_between(low + 6 * sieve.span(), low + 6 * sieve.span() + 3000001, out);
  EXPECT_EQ(out, reference_between(low + 6 * sieve.span(), low + 6 * sieve.span() + 3000001));
}

TEST_F(IntervalSieve, WindowsAboveTwoToTheFifty) {
  prepare_base_primes(std::uint64_t{1} << 62);
  interval_sieve sieve(1u << 19);
  std::vector<std::uint64_t> out;
  for (std::size_t w = 0; w < high_windows().size(); ++w) {
    const HighWindow& window = high_windows()[w];
    const std::vector<std::uint64_t>& expected = high_window_primes()[w];
    // The window in intervals of uneven length, in reverse order.
    std::vector<std::uint64_t> cuts = {window.lo - 1};
    for (std::uint64_t c = window.lo - 1; c + sieve.span() < window.hi; c += sieve.span() - 4242)
      cuts.push_back(c + sieve.span() - 4242);
    cuts.push_back(window.hi);
    std::vector<std::uint64_t> all;
    for (std::size_t i = cuts.size() - 1; i > 0; --i) {
      const std::uint64_t low = cuts[i - 1] & ~std::uint64_t{1};
      sieve.primes_between(low, cuts[i], out);
      const auto from = std::upper_bound(out.begin(), out.end(), cuts[i - 1]);
      all.insert(all.begin(), from, out.end());
    }
    EXPECT_EQ(all, expected) << window.what;
  }
}

TEST_F(IntervalSieve, TwoSievesOnInterleavedIntervalsAgreeWithTheStream) {
  interval_sieve a(1u << 16), b(1u << 16);
  std::vector<std::uint64_t> out, all;
  const std::uint64_t pmin = 999999000000;
  for (int i = 0; i < 10; ++i) {
    const std::uint64_t low = pmin + i * a.span();
    (i % 2 ? b : a).primes_between(low, low + a.span(), out);
    all.insert(all.end(), out.begin(), out.end());
  }
  set_sieve_window_size(1u << 19);
  const Walk walk = walk_stream(pmin, pmin + 10 * a.span());
  EXPECT_EQ(all, walk.primes);
}

}  // namespace
}  // namespace quorvel::test
