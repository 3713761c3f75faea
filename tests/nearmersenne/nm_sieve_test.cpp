// The per-prime elimination against the brute-force reference, which tests
// every pair (a, b) by direct 128-bit arithmetic: every prime from 3 upwards
// over short and long rows, primes whose order of 2 is small (many solutions
// per row) including ones whose p - 1 has a prime factor too large for the
// prime stream's record, large primes up to 2^50 with rows above 50, primes
// from 2^50 to 2^62 with the rule for rows above 50 at its boundary, the
// rule for rows a <= 50 at its boundaries, the p = 5 example, pairs that are
// eliminated twice, and the progress line of every tenth call.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "nm_test_util.hpp"
#include "reference/nearmersenne_reference.hpp"
#include "reference/reference.hpp"
#include "support/test_support.hpp"

namespace quorvel {
namespace {

using nm_test::expect_matches;
using nm_test::setup;
using nm_test::sieve;
using test::ScratchDir;

/// Every odd prime in [lo, hi].
std::vector<std::uint64_t> odd_primes(std::uint64_t lo, std::uint64_t hi) {
  std::vector<std::uint64_t> out = ref::primes_between(lo, hi);
  std::erase(out, 2);
  return out;
}

/// Sets up the range from scratch, sieves `primes` one by one and compares
/// with the reference after every `check_every` primes and at the end.
/// Returns the reference.
nm_ref::RefRun sieve_and_compare(std::uint32_t alow, std::uint32_t ahigh,
                                 const std::vector<std::uint64_t>& primes, std::size_t check_every,
                                 const std::string& context) {
  ScratchDir dir;
  setup(alow, ahigh, (dir / "absent.txt").string());
  nm_ref::RefRun ref(alow, ahigh);
  for (std::size_t i = 0; i < primes.size(); i += check_every) {
    const std::size_t end = std::min(primes.size(), i + check_every);
    sieve(std::vector<std::uint64_t>(primes.begin() + i, primes.begin() + end));
    for (std::size_t j = i; j < end; ++j) ref.apply_prime(primes[j]);
    expect_matches(ref, context + " after p=" + std::to_string(primes[end - 1]));
    if (testing::Test::HasFatalFailure()) break;
  }
  return ref;
}

TEST(NmDoP, FiveRemovesOnlyPairsAboveItself) {
  ScratchDir dir;
  setup(1, 7, (dir / "none").string());
  ASSERT_EQ(nm_candidates, 21u);
  sieve({5});
  nm_ref::RefRun ref(1, 7);
  ref.kill(5, 3);  // N = 25
  ref.kill(7, 2);  // N = 125
  ref.kill(7, 6);  // N = 65
  expect_matches(ref, "p=5");
  EXPECT_EQ(nm_candidates, 18u);
  // N = 5 itself and N = 15 (a row below the rule's bound) stay.
  EXPECT_FALSE(nm_test::bit_set(3, 2));
  EXPECT_FALSE(nm_test::bit_set(4, 1));
  // The brute force agrees with the worked example.
  nm_ref::RefRun brute(1, 7);
  brute.apply_prime(5);
  EXPECT_EQ(brute.alive, ref.alive);
}

TEST(NmDoP, EliminatingAgainDoesNotCountAgain) {
  ScratchDir dir;
  setup(1, 7, (dir / "none").string());
  sieve({5});
  EXPECT_EQ(nm_candidates, 18u);
  sieve({5});
  EXPECT_EQ(nm_candidates, 18u);
  nm_ref::RefRun ref(1, 7);
  ref.apply_prime(5);
  expect_matches(ref, "p=5 twice");
}

TEST(NmDoP, EveryPrimeFromThreeShortRows) {
  // Rows 1..40: each row a <= 40 is sieved only by the primes below
  // 2^(a-2), so this runs through the rule for every row.
  const auto primes = odd_primes(0, 300000);
  const auto ref = sieve_and_compare(1, 40, primes, 2000, "alow=1 ahigh=40");
  EXPECT_LT(ref.left(), 780u / 2) << "the range should lose many pairs";
}

TEST(NmDoP, EveryPrimeFromThreeLongRows) {
  // Rows above 120 use the reference's powers of 2 modulo p; small primes
  // have small orders, so rows hold many solutions.
  const auto primes = odd_primes(0, 5000);
  const auto ref = sieve_and_compare(45, 260, primes, 100, "alow=45 ahigh=260");
  EXPECT_GT(ref.left(), 0u);
}

TEST(NmDoP, SmallOrderWithALargePrimeInPMinusOne) {
  // For these primes the order of 2 is small, while p - 1 has a prime
  // factor above the square root of the first prime window's top (2^20),
  // which the prime stream does not record: 86171 - 1 = 2*5*7*1231 with
  // order 70, 228479 - 1 = 2*71*1609 with order 71, 1212847 - 1 =
  // 2*3*19*10639 with order 57. Every solution of a row must still go.
  const std::vector<std::uint64_t> primes = {86171, 228479, 1212847};
  const std::vector<std::uint64_t> orders = {70, 71, 57};
  for (std::size_t i = 0; i < primes.size(); ++i)
    ASSERT_EQ(ref::order_mod(2, primes[i]), orders[i]) << primes[i];
  for (std::size_t i = 0; i < primes.size(); ++i) {
    const std::uint64_t p = primes[i];
    const auto o = static_cast<std::uint32_t>(orders[i]);
    const auto ref = sieve_and_compare(30, 400, {p}, 1, "p=" + std::to_string(p));
    // 2^(3o) - 2^b + 1 == 2 - 2^b: the row a = 3o has the solutions
    // b = 1, o + 1 and 2o + 1.
    for (std::uint32_t b : {1u, o + 1, 2 * o + 1}) EXPECT_FALSE(ref.is_alive(3 * o, b)) << p;
  }
}

TEST(NmDoP, LargePrimesRowsAboveFifty) {
  std::vector<std::uint64_t> primes = nm_test::large_factors(20240611, 12);
  // Primes with a small order of 2, up to just below 2^50 (the order is
  // checked: 2^m == 1).
  const std::vector<std::pair<std::uint64_t, std::uint64_t>> small_order = {
      {2147483647ULL, 31},        {3203431780337ULL, 59},    {145295143558111ULL, 65},
      {1066818132868207ULL, 113}, {358429848460993ULL, 224}, {345767385170491ULL, 230}};
  for (auto [p, m] : small_order) {
    ASSERT_TRUE(ref::is_prime(p)) << p;
    ASSERT_EQ(ref::powmod(2, m, p), 1u) << p;
    primes.push_back(p);
  }
  // The largest primes below 2^50.
  for (std::uint64_t p = (std::uint64_t{1} << 50) - 1, found = 0; found < 3; p -= 2) {
    if (!ref::is_prime(p)) continue;
    primes.push_back(p);
    ++found;
  }
  std::sort(primes.begin(), primes.end());
  const auto ref = sieve_and_compare(40, 600, primes, 1, "large primes");
  nm_ref::RefRun all(40, 600);
  std::uint64_t hits = 0;
  for (std::uint64_t p : primes) hits += all.apply_prime(p);
  EXPECT_GT(hits, 300u);
}

TEST(NmDoP, RuleForRowsUpToFifty) {
  // Row a <= 50 is sieved by p only when p < 2^(a-2). The primes N, N/3, N/5
  // and N/7 of the numbers N of rows 18..52 lie on both sides of that bound
  // (N itself and most N/3 above it, N/5, N/7 and the smallest N/3 below);
  // the primes around 2^18 meet the bound of row 20.
  std::vector<std::uint64_t> primes;
  for (std::uint32_t a = 18; a <= 52; ++a) {
    for (std::uint32_t b = 1; b < a; ++b) {
      const auto n = static_cast<std::uint64_t>(nm_ref::number(a, b));
      for (std::uint64_t d : {1, 3, 5, 7}) {
        if (n % d != 0) continue;
        const std::uint64_t q = n / d;
        if (q < (std::uint64_t{1} << 50) && ref::is_prime(q)) primes.push_back(q);
      }
    }
  }
  const auto around = odd_primes(262144 - 3000, 262144 + 3000);
  primes.insert(primes.end(), around.begin(), around.end());
  std::sort(primes.begin(), primes.end());
  primes.erase(std::unique(primes.begin(), primes.end()), primes.end());

  // The reference must see the rule both ways: pairs that a prime divides
  // but whose row is not sieved, and pairs it removes, in rows <= 50.
  std::uint64_t kept = 0, removed = 0;
  for (std::uint64_t p : primes) {
    for (std::uint32_t a = 18; a <= 50; ++a) {
      for (std::uint32_t b = 1; b < a; ++b) {
        if (nm_ref::number(a, b) % p != 0) continue;
        (nm_ref::row_sieved(p, a) ? removed : kept) += 1;
      }
    }
  }
  EXPECT_GT(kept, 30u);
  EXPECT_GT(removed, 30u);
  sieve_and_compare(18, 56, primes, 1, "rule a<=50");
}

TEST(NmDoP, PrimesAboveTwoToTheFifty) {
  // The primes N, N/3, N/5, N/7 of the numbers N of rows 51..63 from 2^50
  // up (rows a > 50 are sieved by p < 2^(a-1): N = p itself stays, N = 3p
  // goes), the factors from 2^50 to 2^62 of numbers of rows up to 120 with
  // only small factors besides, and the largest primes below 2^62.
  std::vector<std::uint64_t> primes;
  for (std::uint32_t a = 51; a <= 63; ++a) {
    for (std::uint32_t b = 1; b < a; ++b) {
      const auto n = static_cast<std::uint64_t>(nm_ref::number(a, b));
      for (std::uint64_t d : {1, 3, 5, 7}) {
        if (n % d != 0) continue;
        const std::uint64_t q = n / d;
        if (q >= (std::uint64_t{1} << 50) && q < (std::uint64_t{1} << 62) && ref::is_prime(q))
          primes.push_back(q);
      }
    }
  }
  std::mt19937_64 rng(62);
  for (std::size_t found = 0; found < 10;) {
    const std::uint32_t a = 64 + static_cast<std::uint32_t>(rng() % 57);
    const std::uint32_t b = 1 + static_cast<std::uint32_t>(rng() % (a - 1));
    ref::u128 n = nm_ref::number(a, b);
    for (std::uint64_t d = 3; d < 5000; d += 2)
      while (n % d == 0) n /= d;
    if (n >= (ref::u128{1} << 50) && n < (ref::u128{1} << 62) &&
        ref::is_prime(static_cast<std::uint64_t>(n))) {
      primes.push_back(static_cast<std::uint64_t>(n));
      ++found;
    }
  }
  for (std::uint64_t p = (std::uint64_t{1} << 62) - 1, found = 0; found < 3; p -= 2) {
    if (!ref::is_prime(p)) continue;
    primes.push_back(p);
    ++found;
  }
  std::sort(primes.begin(), primes.end());
  primes.erase(std::unique(primes.begin(), primes.end()), primes.end());
  // The reference must see the rule both ways in rows above 50.
  std::uint64_t kept = 0, removed = 0;
  for (std::uint64_t p : primes) {
    for (std::uint32_t a = 51; a <= 63; ++a) {
      for (std::uint32_t b = 1; b < a; ++b) {
        if (nm_ref::number(a, b) % p != 0) continue;
        (nm_ref::row_sieved(p, a) ? removed : kept) += 1;
      }
    }
  }
  EXPECT_GT(kept, 30u);
  EXPECT_GT(removed, 15u);
  sieve_and_compare(40, 200, primes, 1, "primes above 2^50");
}

TEST(NmDoP, ProgressLineEveryTenthCallOfTheProcess) {
  ScratchDir dir;
  setup(10, 30, (dir / "none").string());
  nm::cnt = 0;
  const auto primes = odd_primes(3, 200);  // 45 primes
  nm_ref::RefRun ref(10, 30);
  std::string expected;
  for (std::size_t i = 0; i < primes.size(); ++i) {
    if ((i + 1) % 10 == 0)
      expected += "trying p: " + std::to_string(primes[i]) + " (" + std::to_string(ref.left()) +
                  " numbers left)\n";
    ref.apply_prime(primes[i]);
  }
  // Split into two runs, as two ranges of one process would: the count
  // carries on.
  const std::vector<std::uint64_t> first(primes.begin(), primes.begin() + 13);
  const std::vector<std::uint64_t> second(primes.begin() + 13, primes.end());
  std::string console = sieve(first);
  console += sieve(second);
  EXPECT_EQ(console, expected);
  expect_matches(ref, "progress run");
}

TEST(NmDoP, SingleRowAndWidestExponents) {
  // The top of the exponent range: rows 65530..65535 with primes of small
  // order (thousands of solutions per row) and a large one.
  const std::vector<std::uint64_t> primes = {
      3, 7, 31, 127, 8191, 2147483647ULL, 145295143558111ULL, 1125899906842597ULL};
  ASSERT_TRUE(ref::is_prime(1125899906842597ULL));
  sieve_and_compare(65530, 65535, primes, 1, "rows 65530..65535");
  sieve_and_compare(65535, 65535, {2147483647ULL, 1125899906842597ULL}, 1, "row 65535");
}

}  // namespace
}  // namespace quorvel
