// The factor checks against the plain references: random primes and odd
// composites up to 2^64 (the bound on p is being raised to 2^62, and the
// check must hold well beyond it), with factors made by construction
// (k = -2^-n or 2^-n modulo p) and their near misses, numbers equal to p, the
// trivial p = 0, 1 and 2, and near-Mersenne numbers fully factored by trial
// division. Seeds are fixed; a failure names every input.
#include "db/factor_check.hpp"

#include <gtest/gtest.h>

#include <random>

#include "reference/nearmersenne_reference.hpp"
#include "reference/reference.hpp"

namespace quorvel {
namespace {

using ref::u128;

/// A random odd p in [lo, hi]; prime when `prime`.
std::uint64_t random_odd(std::mt19937_64& rng, std::uint64_t lo, std::uint64_t hi, bool prime) {
  for (;;) {
    const std::uint64_t p = (lo + rng() % (hi - lo + 1)) | 1;
    if (p >= lo && p <= hi && ref::is_prime(p) == prime) return p;
  }
}

/// k*2^n + sign mod p, with k and n of any size, by the references.
std::uint64_t number_mod(std::uint64_t k, std::uint64_t n, int sign, std::uint64_t p) {
  const std::uint64_t v = ref::mulmod(k % p, ref::powmod(2, n, p), p);
  return sign > 0 ? static_cast<std::uint64_t>((u128{v} + 1) % p)
                  : static_cast<std::uint64_t>((u128{v} + p - 1) % p);
}

TEST(FactorCheck, ConstructedFactorsAndNearMissesUpToTwoToThe64) {
  std::mt19937_64 rng(20240917);
  const std::uint64_t tops[] = {1ULL << 32, 1ULL << 50, 1ULL << 62, ~0ULL};
  for (const std::uint64_t top : tops) {
    for (int trial = 0; trial < 400; ++trial) {
      const bool prime = trial % 4 != 3;
      const std::uint64_t p = random_odd(rng, top / 2, top, prime);
      const std::uint64_t n = trial % 5 == 0 ? rng() % 64 : rng() % 4000000000ULL;
      const std::uint64_t r = ref::powmod((p + 1) / 2, n, p);  // 2^-n mod p
      for (const int sign : {+1, -1}) {
        std::uint64_t k = sign > 0 ? (r == 0 ? 0 : p - r) : r;
        // k of any size in the class, also above p.
        if (trial % 3 == 1 && k <= ~0ULL - p) k += p;
        const std::string what = "p=" + std::to_string(p) + " k=" + std::to_string(k) +
                                 " n=" + std::to_string(n) + " sign=" + std::to_string(sign);
        ASSERT_EQ(number_mod(k, n, sign, p), 0u) << what;
        EXPECT_TRUE(divides_k2n(p, k, n, sign)) << what;
        const bool itself =
            n < 64 && (static_cast<u128>(k) << n) + 1 == static_cast<u128>(p) + (sign > 0 ? 0 : 2);
        EXPECT_EQ(is_factor_k2n(p, k, n, sign), !itself) << what;
        // Near misses: the other sign, a neighbouring k or n.
        for (const auto& [k2, n2, s2] :
             {std::tuple{k, n, -sign}, std::tuple{k + 1, n, sign}, std::tuple{k, n + 1, sign}}) {
          const bool truth = number_mod(k2, n2, s2, p) == 0;
          EXPECT_EQ(divides_k2n(p, k2, n2, s2), truth) << what << " variant";
        }
      }
    }
  }
}

TEST(FactorCheck, RandomNumbersAgreeWithTheReference) {
  std::mt19937_64 rng(77);
  for (int trial = 0; trial < 20000; ++trial) {
    const std::uint64_t p = trial % 2 == 0 ? 3 + rng() % 1000 : rng() >> (rng() % 40);
    const std::uint64_t k = rng() >> (rng() % 64);
    const std::uint64_t n = rng() % 1000;
    const int sign = trial % 3 == 0 ? -1 : +1;
    if (p < 2) continue;
    EXPECT_EQ(divides_k2n(p, k, n, sign), number_mod(k, n, sign, p) == 0)
        << p << " " << k << " " << n << " " << sign;
  }
}

TEST(FactorCheck, ANumberIsNoFactorOfItself) {
  // 3*2^60+1 < 2^62 and 2^64-1 (k = 1, n = 64): both divide themselves,
  // neither is a factor.
  const std::uint64_t p = 3 * (1ULL << 60) + 1;
  EXPECT_TRUE(divides_k2n(p, 3, 60, +1));
  EXPECT_TRUE(k2n_equals(p, 3, 60, +1));
  EXPECT_FALSE(is_factor_k2n(p, 3, 60, +1));
  EXPECT_TRUE(k2n_equals(~0ULL, 1, 64, -1));
  EXPECT_FALSE(is_factor_k2n(~0ULL, 1, 64, -1));
  EXPECT_FALSE(k2n_equals(~0ULL, 1, 64, +1));
  EXPECT_FALSE(k2n_equals(5, 1, 65, +1));
  // 13 = 3*2^2+1 is prime; 7 divides 3*2^1+1 = 7 only as itself, and
  // 3*2^7+1 = 385 = 5*7*11 properly.
  EXPECT_FALSE(is_factor_k2n(13, 3, 2, +1));
  EXPECT_FALSE(is_factor_k2n(7, 3, 1, +1));
  EXPECT_TRUE(is_factor_k2n(7, 3, 7, +1));
  EXPECT_TRUE(is_factor_k2n(11, 3, 7, +1));
  // n = 0: k+1 and k-1.
  EXPECT_TRUE(is_factor_k2n(3, 5, 0, +1));
  EXPECT_FALSE(is_factor_k2n(7, 7, 0, +1));
  EXPECT_TRUE(k2n_equals(7, 8, 0, -1));
}

TEST(FactorCheck, PBelowThreeAndEvenP) {
  for (const int sign : {+1, -1}) {
    EXPECT_FALSE(divides_k2n(0, 5, 10, sign));
    EXPECT_FALSE(divides_k2n(1, 5, 10, sign));
    EXPECT_FALSE(divides_k2n(2, 5, 10, sign));  // odd numbers
    EXPECT_FALSE(divides_k2n(4, 3, 1, sign));
  }
  EXPECT_TRUE(divides_k2n(2, 1, 0, +1));  // 1*2^0+1 = 2 itself
  EXPECT_FALSE(is_factor_k2n(2, 1, 0, +1));
  EXPECT_TRUE(is_factor_k2n(2, 3, 0, +1));  // 4
}

TEST(FactorCheckNearMersenne, EveryFactorOfSmallNumbersAndNoOther) {
  // Every N = 2^a - 2^b + 1 with a <= 40, fully factored: each prime factor
  // and each proper composite divisor passes, primes near it do not.
  std::mt19937_64 rng(5);
  for (std::uint64_t a = 2; a <= 40; ++a) {
    for (std::uint64_t b = 1; b < a; ++b) {
      const std::uint64_t n = static_cast<std::uint64_t>(
          nm_ref::number(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b)));
      const std::string what = "a=" + std::to_string(a) + " b=" + std::to_string(b);
      const std::vector<std::uint64_t> primes = ref::prime_factors(n);
      for (const std::uint64_t q : primes) {
        EXPECT_TRUE(divides_near_mersenne(q, a, b)) << what << " q=" << q;
        EXPECT_EQ(is_factor_near_mersenne(q, a, b), q != n) << what << " q=" << q;
        EXPECT_EQ(near_mersenne_equals(q, a, b), q == n) << what;
        EXPECT_EQ(divides_near_mersenne(q + 2, a, b), n % (q + 2) == 0) << what;
      }
      if (primes.size() >= 2) {
        const std::uint64_t both = primes[0] * primes[1];
        EXPECT_EQ(is_factor_near_mersenne(both, a, b), both != n) << what;
      }
      const std::uint64_t other = 3 + 2 * (rng() % 1000000);
      EXPECT_EQ(divides_near_mersenne(other, a, b), n % other == 0) << what << " " << other;
    }
  }
}

TEST(FactorCheckNearMersenne, LargeExponentsAndLargePAgreeWithPlainPowers) {
  std::mt19937_64 rng(99);
  int hits = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    const std::uint64_t tops[] = {20000, 1ULL << 62, ~0ULL};
    const std::uint64_t p = random_odd(rng, 3, tops[trial % 3], trial % 4 != 0);
    const std::uint64_t a = 1 + rng() % 65535;
    std::uint64_t b = rng() % a;
    // For the small p: the smallest b that makes p a factor (2^b = 2^a + 1),
    // when there is one below a.
    if (trial % 3 == 0) {
      const std::uint64_t target = (ref::powmod(2, a, p) + 1) % p;
      std::uint64_t power = 1;  // 2^e mod p
      for (std::uint64_t e = 0; e < a; ++e, power = power * 2 % p)
        if (power == target) {
          b = e;
          break;
        }
    }
    const bool truth = (u128{ref::powmod(2, a, p)} + p + 1 - ref::powmod(2, b, p)) % p == 0;
    EXPECT_EQ(divides_near_mersenne(p, a, b), truth) << p << " " << a << " " << b;
    hits += truth;
  }
  EXPECT_GT(hits, 300);
  // b >= a names no near-Mersenne number.
  EXPECT_FALSE(divides_near_mersenne(3, 5, 5));
  EXPECT_FALSE(divides_near_mersenne(3, 5, 7));
  EXPECT_FALSE(near_mersenne_equals(1, 5, 5));
  // 2^64 - 2^63 + 1 = 2^63 + 1 = 3^3 * 19 * 43 * 5419 * 77158673929.
  EXPECT_TRUE(near_mersenne_equals((1ULL << 63) + 1, 64, 63));
  EXPECT_FALSE(is_factor_near_mersenne((1ULL << 63) + 1, 64, 63));
  EXPECT_TRUE(is_factor_near_mersenne(77158673929ULL, 64, 63));
  EXPECT_FALSE(near_mersenne_equals(1, 65, 64));
}

}  // namespace
}  // namespace quorvel
