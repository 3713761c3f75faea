// The p-1 record against two independent references: the record worked out
// by stepping through the even numbers with every prime q directly (exact
// content for every index of a window, Q included), and the complete
// factorisation of p-1 (small primes, the listed q, and a cofactor that is
// 1 or a prime above Q). Also which windows build it in which mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "primes/prime_stream.hpp"
#include "reference/primes_reference.hpp"
#include "reference/reference.hpp"
#include "stream_test_util.hpp"

namespace quorvel::test {
namespace {

constexpr std::uint64_t two_to_fifty = std::uint64_t{1} << 50;

std::uint64_t base_last_prime() {
  std::uint64_t q = 0;
  for (std::uint32_t i = 0; i < nprimes; ++i) q += aallprimes[i];
  return q;
}

std::uint64_t window_q() {
  return primes_ref::first_prime_with_square_at_least(sievewindowlow +
                                                      2 * std::uint64_t{sievewindowsize});
}

std::vector<std::uint32_t> record_at(std::uint32_t index) {
  const std::span<const std::uint32_t> s = pminus1_factors(index);
  return {s.begin(), s.end()};
}

/// Compares the record of the current window, index by index, with the
/// stepping reference (with `big_q` as the record's bound, Q of the window
/// when 0, and the primes of the window from `known` when given). Returns
/// the number of indices that hold a list.
std::size_t expect_record_matches_reference(std::uint64_t big_q = 0,
                                            const std::vector<std::uint64_t>* known = nullptr) {
  const std::uint64_t a = sievewindowlow;
  const std::uint32_t w = sievewindowsize;
  const std::vector<primes_ref::RecordEntry> want =
      primes_ref::pminus1_record(a, w, big_q != 0 ? big_q : window_q(), known);
  std::size_t lists = 0;
  std::size_t next = 0;  // first entry of want not yet matched
  for (std::uint32_t i = 0; i < w; ++i) {
    const std::span<const std::uint32_t> got = pminus1_factors(i);
    std::vector<std::uint32_t> expected;
    for (; next < want.size() && want[next].index == i; ++next) expected.push_back(want[next].q);
    if (!std::equal(got.begin(), got.end(), expected.begin(), expected.end())) {
      ADD_FAILURE() << "window above " << a << " (W=" << w << "), index " << i << ", number "
                    << a + 1 + 2 * std::uint64_t{i} << ": " << got.size() << " q recorded, "
                    << expected.size() << " expected";
      return lists;
    }
    lists += got.empty() ? 0 : 1;
  }
  return lists;
}

/// Walks the stream from pmin over `count` primes and checks the record of
/// each against the complete factorisation of p-1.
void expect_complete_factorisations(std::uint64_t pmin, std::size_t count) {
  start_prime_stream(pmin);
  for (std::size_t n = 0; n < count; ++n) {
    const std::uint64_t p = next_sieved_p();
    const std::string why = primes_ref::check_complete(p, record_at(sievewindowindex), window_q());
    ASSERT_EQ(why, "") << "pmin=" << pmin << " W=" << sievewindowsize;
  }
}

class Pminus1Record : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  void SetUp() override {
    ensure_full_base();
    set_sieve_window_size(GetParam());
  }
  void TearDown() override { set_sieve_window_size(1u << 19); }
  ModeGuard mode_guard_{mode_proth};
};

TEST_P(Pminus1Record, LowWindowsMatchTheReference) {
  start_prime_stream(0);
  EXPECT_GT(expect_record_matches_reference(), 0u);
  // The plain window that follows.
  eratosthenes_window(sievewindowlow + 2 * std::uint64_t{sievewindowsize});
  expect_record_matches_reference();
  if (GetParam() > (1u << 19)) return;
  start_prime_stream(999998);
  expect_record_matches_reference();
}

TEST_P(Pminus1Record, HighWindowsMatchTheReference) {
  start_prime_stream(1000000000000);
  EXPECT_GT(expect_record_matches_reference(), 0u);
  // The next window goes on with the strides of this one.
  eratosthenes_window(sievewindowlow + 2 * std::uint64_t{sievewindowsize});
  expect_record_matches_reference();
  // Near 2^50, where most q are longer than a window, CompleteFactorisations
  // checks the lists.
}

TEST(Pminus1RecordHigh, WindowsAboveTheLastBasePrimeSquaredStopAtIt) {
  // Above the square of the last base prime Q is that prime: every prime
  // factor q of p-1 from 31 to it is listed, and the cofactor left (no
  // prime factor up to Q) is often composite.
  ensure_full_base();
  set_sieve_window_size(1u << 19);
  ModeGuard mode_guard(mode_proth);
  std::size_t composite_cofactors = 0;
  for (std::size_t i = 2; i < high_windows().size(); ++i) {
    const HighWindow& hw = high_windows()[i];
    SCOPED_TRACE(hw.what);
    eratosthenes_window(hw.lo + 1000000);
    const std::uint64_t last = base_last_prime();  // of the table the window extended
    ASSERT_LE(sievewindowlow + 2 * std::uint64_t{sievewindowsize}, hw.hi);
    EXPECT_GT(expect_record_matches_reference(last, &high_window_primes()[i]), 0u);
    for (std::uint32_t j = 0; j < sievewindowsize; ++j) {
      const std::uint64_t p = sievewindowlow + 1 + 2 * std::uint64_t{j};
      if (pminus1_factors(j).empty() && !ref::is_prime(p)) continue;
      std::uint64_t c = p - 1;
      for (std::uint64_t d : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29}) {
        while (c % d == 0) c /= d;
      }
      for (std::uint32_t q : pminus1_factors(j)) {
        while (c % q == 0) c /= q;
      }
      if (c > 1 && !ref::is_prime(c)) ++composite_cofactors;
    }
  }
  EXPECT_GT(composite_cofactors, 0u);
}

TEST_P(Pminus1Record, CompleteFactorisations) {
  expect_complete_factorisations(0, 20000);
  expect_complete_factorisations(1000000000000, 20000);
  expect_complete_factorisations(two_to_fifty - 10000000, 12000);
}

INSTANTIATE_TEST_SUITE_P(ProgramWindows, Pminus1Record,
                         ::testing::Values(std::uint32_t{1} << 19, std::uint32_t{1} << 22));

class Pminus1SmallWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ensure_full_base();
    set_sieve_window_size(1024);
  }
  void TearDown() override { set_sieve_window_size(1u << 19); }
  ModeGuard mode_guard_{mode_riesel};
};

TEST_F(Pminus1SmallWindow, QIsTheFirstPrimeWithSquareAtLeastTheTop) {
  // For a prime q and its successor q2, the window with top q^2 - 1 has
  // Q = q, and the window two higher (top q^2 + 1) has Q = q2. A prime p of
  // the window with q2 | p-1 tells whether the record stops at the right
  // prime: q2 must be missing from its list in the first window and present
  // in the second. Require a few such p for each kind of window.
  std::size_t witnesses[2] = {0, 0};
  const std::vector<std::uint64_t> qs = primes_ref::primes_in(1000, 2100);
  for (std::size_t k = 0; k + 1 < qs.size(); ++k) {
    const std::uint64_t q = qs[k], q2 = qs[k + 1];
    for (int higher : {0, 1}) {
      const std::uint64_t a = q * q - 1 - 2048 + 2 * higher;
      eratosthenes_window(a);
      ASSERT_EQ(window_q(), higher ? q2 : q);
      expect_record_matches_reference();
      for (std::uint64_t p : primes_ref::primes_in(a + 1, a + 2047)) {
        if ((p - 1) % q2 == 0) ++witnesses[higher];
      }
    }
  }
  EXPECT_GE(witnesses[0], 3u);
  EXPECT_GE(witnesses[1], 3u);
}

TEST_F(Pminus1SmallWindow, ThirtyOneSquaredAndEmptyLists) {
  // Walk until both cases have been seen: 31^2 | p-1 (31 listed once) and a
  // prime whose p-1 has no prime factor from 31 to Q (no list at all).
  std::size_t squared = 0, empty = 0;
  start_prime_stream(1000000000000);
  for (int n = 0; n < 200000 && (squared < 3 || empty < 3); ++n) {
    const std::uint64_t p = next_sieved_p();
    const std::vector<std::uint32_t> l = record_at(sievewindowindex);
    ASSERT_EQ(primes_ref::check_complete(p, l, window_q()), "");
    if ((p - 1) % (31 * 31) == 0) {
      ++squared;
      EXPECT_EQ(std::count(l.begin(), l.end(), 31u), 1) << "p=" << p;
    }
    if (l.empty()) ++empty;
  }
  EXPECT_GE(squared, 3u);
  EXPECT_GE(empty, 3u);
}

TEST_F(Pminus1SmallWindow, NoListOutsideThePrimesOfTheWindow) {
  eratosthenes_window(1000000000000);
  EXPECT_GT(expect_record_matches_reference(), 0u);
  // Composite numbers of the window and indices past it have no list.
  for (std::uint32_t i = 0; i < 1024; ++i) {
    if (!ref::is_prime(sievewindowlow + 1 + 2 * std::uint64_t{i})) {
      EXPECT_TRUE(pminus1_factors(i).empty()) << "index " << i;
    }
  }
  EXPECT_TRUE(pminus1_factors(1024).empty());
  EXPECT_TRUE(pminus1_factors(0xFFFFFFFFu).empty());
}

TEST_F(Pminus1SmallWindow, WhichModesBuildIt) {
  // A window at 10^12 + 2^20 holds primes with a list (checked in mode 1).
  const std::uint64_t a = 1000000000000 + (1u << 20);
  auto lists_in_window = [] {
    std::size_t n = 0;
    for (std::uint32_t i = 0; i < 1024; ++i) n += pminus1_factors(i).empty() ? 0 : 1;
    return n;
  };
  eratosthenes_window(a);
  const std::size_t with_record = lists_in_window();
  ASSERT_GT(with_record, 0u);
  {
    ModeGuard m(mode_proth);
    eratosthenes_window(a);
    EXPECT_EQ(lists_in_window(), with_record);
  }
  // The other modes do not read the record: only the low variant builds it.
  for (int m : {mode_krange, mode_krangetwin, mode_nearmersenne}) {
    ModeGuard g(m);
    eratosthenes_window(a);
    EXPECT_EQ(lists_in_window(), 0u) << "mode " << m;
    eratosthenes_window_lowok(a);
    EXPECT_EQ(lists_in_window(), with_record) << "mode " << m;
    expect_record_matches_reference();
  }
  {
    ModeGuard g(mode_proth);
    eratosthenes_window(two_to_fifty - 2048);
    EXPECT_GT(lists_in_window(), 0u) << "just below 2^50";
    for (std::uint32_t i = 0; i < 1024; ++i) {
      const std::uint64_t p = sievewindowlow + 1 + 2 * std::uint64_t{i};
      if (!ref::is_prime(p)) continue;
      EXPECT_EQ(primes_ref::check_complete(p, record_at(i), window_q()), "");
    }
  }
}

TEST_F(Pminus1SmallWindow, StaysRightAcrossSkippedWindows) {
  // A record window, a window without record, then the contiguous next one
  // with record again: its strides must not carry over from two windows back.
  const std::uint64_t a = 1000000000000;
  eratosthenes_window(a);
  expect_record_matches_reference();
  {
    ModeGuard g(mode_krange);
    eratosthenes_window(a + 2048);
  }
  eratosthenes_window(a + 4096);
  expect_record_matches_reference();
  eratosthenes_window(a + 6144);
  expect_record_matches_reference();
}

}  // namespace
}  // namespace quorvel::test
