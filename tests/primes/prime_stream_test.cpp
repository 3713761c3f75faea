// The prime stream against the plain reference sieve: exactly the primes of
// each range, in order, none repeated or missed, for both window sizes of
// the program and for a small window that crosses many window boundaries.
#include "primes/prime_stream.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "primes/window.hpp"
#include "quorvel/common.hpp"
#include "reference/primes_reference.hpp"
#include "reference/reference.hpp"
#include "stream_test_util.hpp"

namespace quorvel::test {
namespace {

constexpr std::uint64_t two_to_fifty = std::uint64_t{1} << 50;

/// The reference primes of [lo, hi] without 2 (the stream holds odd numbers).
std::vector<std::uint64_t> odd_primes(std::uint64_t lo, std::uint64_t hi) {
  std::vector<std::uint64_t> v = primes_ref::primes_in(lo, hi);
  if (!v.empty() && v.front() == 2) v.erase(v.begin());
  return v;
}

/// The odd primes of [lo, hi] by Miller-Rabin on every odd number.
std::vector<std::uint64_t> odd_primes_by_test(std::uint64_t lo, std::uint64_t hi) {
  std::vector<std::uint64_t> v;
  for (std::uint64_t n = lo | 1; n <= hi; n += 2) {
    if (n > 2 && ref::is_prime(n)) v.push_back(n);
  }
  return v;
}

/// The first prime above n, by Miller-Rabin.
std::uint64_t next_prime_above(std::uint64_t n) {
  std::uint64_t c = n + 1;
  while (!ref::is_prime(c)) ++c;
  return c;
}

/// Empty when equal, else where the lists part.
std::string difference(const std::vector<std::uint64_t>& got,
                       const std::vector<std::uint64_t>& want) {
  std::size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  if (i == got.size() && i == want.size()) return "";
  std::string s = "first difference at position " + std::to_string(i) + ": stream ";
  s += i < got.size() ? std::to_string(got[i]) : "ended";
  s += ", reference ";
  s += i < want.size() ? std::to_string(want[i]) : "ended";
  s += " (" + std::to_string(got.size()) + " vs " + std::to_string(want.size()) + " primes)";
  return s;
}

void expect_exact_range(std::uint64_t pmin, std::uint64_t pmax, bool by_test = false) {
  const Walk walk = walk_stream(pmin, pmax);
  const std::vector<std::uint64_t> want =
      by_test ? odd_primes_by_test(pmin, pmax) : odd_primes(pmin, pmax);
  EXPECT_EQ(difference(walk.primes, want), "")
      << "pmin=" << pmin << " pmax=" << pmax << " W=" << sievewindowsize;
  EXPECT_EQ(walk.first_above, next_prime_above(pmax))
      << "pmin=" << pmin << " pmax=" << pmax << " W=" << sievewindowsize;
}

class PrimeStream : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  void SetUp() override {
    ensure_full_base();
    set_sieve_window_size(GetParam());
  }
  ModeGuard mode_guard_{mode_proth};
};

TEST_P(PrimeStream, FromZeroYieldsThreeFiveSevenAndNeverOneOrTwo) {
  const Walk walk = walk_stream(0, 100);
  ASSERT_GE(walk.primes.size(), 3u);
  EXPECT_EQ(walk.primes[0], 3u);
  EXPECT_EQ(walk.primes[1], 5u);
  EXPECT_EQ(walk.primes[2], 7u);
  EXPECT_EQ(walk.primes, odd_primes(0, 100));
  EXPECT_EQ(walk.first_above, next_prime_above(100));
  // pmin = 1 is taken as 0; pmin = 2 starts the window at 2.
  EXPECT_EQ(walk_stream(1, 10).primes, odd_primes(0, 10));
  EXPECT_EQ(walk_stream(2, 10).primes, odd_primes(2, 10));
}

TEST_P(PrimeStream, FromZeroAcrossWindows) {
  // Two and a half windows, all of them holding base primes.
  expect_exact_range(0, 5 * std::uint64_t{GetParam()});
}

TEST_P(PrimeStream, OddPrimeStartIsYieldedItself) {
  for (std::uint64_t p : {std::uint64_t{1000003}, std::uint64_t{1048583}, std::uint64_t{33554467},
                          std::uint64_t{1000000000039}}) {
    ASSERT_TRUE(ref::is_prime(p));
    const Walk walk = walk_stream(p, p + 1000);
    ASSERT_FALSE(walk.primes.empty()) << "pmin=" << p;
    EXPECT_EQ(walk.primes.front(), p);
    // An even start, or an odd composite one, begins at the next prime.
    const Walk after = walk_stream(p + 1, p + 1000);
    ASSERT_FALSE(after.primes.empty()) << "pmin=" << p + 1;
    EXPECT_EQ(after.primes.front(), next_prime_above(p));
    if (ref::is_prime(p + 2)) continue;
    const Walk odd = walk_stream(p + 2, p + 1000);
    ASSERT_FALSE(odd.primes.empty()) << "pmin=" << p + 2;
    EXPECT_EQ(odd.primes.front(), next_prime_above(p + 2));
  }
}

TEST_P(PrimeStream, AroundTwoToTheTwenty) {
  // Below 2^20 the first window is the low variant, at 2^20 the plain one;
  // both must keep the base primes they hold.
  expect_exact_range(1048576 - 300000, 1048576 + 2000000);
  expect_exact_range(1048576, 1048576 + 2000000);
  expect_exact_range(1048574, 1048576 + 200000);
}

TEST_P(PrimeStream, AroundTwoToTheTwentyFive) {
  // Windows here hold base primes near the end of the table.
  expect_exact_range(33554432 - 1500000, 33554432 + 1500000);
}

TEST_P(PrimeStream, AtTenToTheTwelve) {
  expect_exact_range(1000000000000, 1000000000000 + 12000000);
}

TEST_P(PrimeStream, LastTenMillionBelowTwoToTheFifty) {
  // The top windows need the base primes above 2^25; the walk ends with
  // the first prime above 2^50.
  expect_exact_range(two_to_fifty - 10000000, two_to_fifty);
}

TEST_P(PrimeStream, NewRangesStartAfresh) {
  // A range across a window boundary, one behind it, then one that starts
  // exactly where the last window ended (its strides carry over), then one
  // far ahead and one low.
  const std::uint64_t two_w = 2 * std::uint64_t{GetParam()};
  expect_exact_range(5000000000, 5000000000 + two_w + 100000);
  expect_exact_range(4000000000, 4000000000 + 100000);
  const std::uint64_t next_low = sievewindowlow + two_w;
  expect_exact_range(next_low, next_low + 100000);
  expect_exact_range(700000000000000, 700000000000000 + 30000, true);
  expect_exact_range(2000, 2000 + 100000);
}

INSTANTIATE_TEST_SUITE_P(ProgramWindows, PrimeStream,
                         ::testing::Values(std::uint32_t{1} << 19, std::uint32_t{1} << 22));

class SmallWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ensure_full_base();
    set_sieve_window_size(1024);
  }
  void TearDown() override { set_sieve_window_size(1u << 19); }
  ModeGuard mode_guard_{mode_proth};
};

TEST_F(SmallWindow, ManyBoundaries) {
  // Hundreds of window changes in each range.
  expect_exact_range(0, 600000);
  expect_exact_range(1000000000000, 1000000000000 + 600000);
  expect_exact_range(two_to_fifty - 150000, two_to_fifty, true);
}

TEST_F(SmallWindow, SeededRandomStarts) {
  std::mt19937_64 rng(20240611);
  for (int i = 0; i < 30; ++i) {
    // Starts spread over every magnitude up to 2^62.
    const int bits = 4 + static_cast<int>(rng() % 59);
    const std::uint64_t pmin = rng() & ((std::uint64_t{1} << bits) - 1);
    const std::uint64_t pmax = std::min(pmin + 20000, p_limit);
    SCOPED_TRACE("seed 20240611, case " + std::to_string(i));
    expect_exact_range(pmin, pmax, true);
  }
}

TEST_F(SmallWindow, WithoutTheRecordToo) {
  ModeGuard g(mode_krange);
  expect_exact_range(0, 100000);
  expect_exact_range(1000000000000, 1000000000000 + 100000);
}

TEST_F(SmallWindow, PlainVariantKeepsBasePrimesOfALowWindow) {
  for (std::uint64_t a : {0, 2, 36, 38, 40, 1000, 4094}) {
    eratosthenes_window(a);
    sievewindowindex = 0xFFFFFFFFu;
    std::vector<std::uint64_t> got;
    const std::uint64_t top = a + 2048;
    for (std::uint64_t p = next_sieved_p(); p < top; p = next_sieved_p()) got.push_back(p);
    EXPECT_EQ(difference(got, odd_primes(a + 1, top - 1)), "") << "a=" << a;
  }
}

TEST(BaseTableEnd, ASmallTableHandsOverToThePrimalityTest) {
  ModeGuard mode_guard(mode_proth);
  // With the base primes up to 1000 (last 997) the sieve alone decides the
  // windows whose top stays at or below 997^2; the primality test decides
  // what it leaves standing above.
  eratosthenes_base(1000);
  set_sieve_window_size(1024);
  expect_exact_range(0, 990000);
  expect_exact_range(990000 - 2048 * 3, 997 * 997 + 2048 * 40);
  expect_exact_range(1000000000000, 1000000000000 + 200000, true);
  // And with the smallest tables, which leave even 41 .. 53 to the test.
  for (std::uint32_t limit : {2u, 30u, 50u}) {
    eratosthenes_base(limit);
    expect_exact_range(0, 20000);
    expect_exact_range(1000000000000, 1000000000000 + 20000, true);
  }
  ensure_full_base();
  set_sieve_window_size(1u << 19);
}

TEST(BaseTableEnd, RefusesStartsAboveTwoToTheSixtyThree) {
  ensure_full_base();
  EXPECT_EXIT(
      {
        start_prime_stream((std::uint64_t{1} << 63) + 2);
        std::exit(0);
      },
      ::testing::ExitedWithCode(1), "");
}

TEST(BaseTableEnd, FullTableReachesBeyondTwoToTheFifty) {
  ensure_full_base();
  set_sieve_window_size(1u << 22);
  // The window holding 2^50 and the one after it are sieved exactly.
  const std::uint64_t next_low = two_to_fifty + (std::uint64_t{1} << 23);
  expect_exact_range(two_to_fifty, two_to_fifty + 30000, true);
  expect_exact_range(next_low - 20000, next_low + 20000, true);
}

void expect_high_windows() {
  for (std::size_t i = 0; i < high_windows().size(); ++i) {
    const HighWindow& w = high_windows()[i];
    SCOPED_TRACE(w.what);
    const Walk walk = walk_stream(w.lo, w.hi);
    EXPECT_EQ(difference(walk.primes, high_window_primes()[i]), "")
        << "pmin=" << w.lo << " pmax=" << w.hi << " W=" << sievewindowsize;
    EXPECT_EQ(walk.first_above, next_prime_above(w.hi));
  }
}

class HighWindows : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  void SetUp() override {
    ensure_full_base();
    set_sieve_window_size(GetParam());
  }
  void TearDown() override { set_sieve_window_size(1u << 19); }
  ModeGuard mode_guard_{mode_proth};
};

TEST_P(HighWindows, MatchThePlainSieve) {
  ASSERT_EQ(high_window_primes().size(), high_windows().size());
  for (const auto& primes : high_window_primes()) ASSERT_GT(primes.size(), 40000u);
  expect_high_windows();
  ModeGuard g(mode_krange);  // without the record
  expect_high_windows();
}

TEST_P(HighWindows, HoldAtMostTwelveBytesPerSievingPrime) {
  // The stream holds each sieving prime once in each of its two stride sets
  // (the sieve's and the record's), up to the last base prime, however high
  // the window; the bytes held, block slack included, stay within 12 per
  // stride.
  const std::uint64_t top = (std::uint64_t{1} << 62) - (std::uint64_t{1} << 30);
  start_prime_stream(top);
  for (int i = 0; i < 3; ++i) eratosthenes_window(sievewindowlow + 2 * std::uint64_t{GetParam()});
  const std::size_t sieving = nprimes - 12;  // the sieve's: the base primes from 41 on
  EXPECT_EQ(primes_detail::strides_held(), 2 * sieving + 2);  // the record from 31 on
  EXPECT_LE(primes_detail::stride_bytes_held(), 12 * primes_detail::strides_held());
}

INSTANTIATE_TEST_SUITE_P(ProgramWindows, HighWindows,
                         ::testing::Values(std::uint32_t{1} << 19, std::uint32_t{1} << 22,
                                           std::uint32_t{1} << 12));

TEST(WindowSize, RejectsSizesTheStreamCannotUse) {
  EXPECT_EXIT(set_sieve_window_size(1000), ::testing::ExitedWithCode(1), "");
  EXPECT_EXIT(set_sieve_window_size(512), ::testing::ExitedWithCode(1), "");
  EXPECT_EXIT(set_sieve_window_size(1u << 25), ::testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace quorvel::test
