// The scalar multiply and power kernels against 128-bit '%' references, for
// every test prime from 3 to the largest primes below 2^62: seeded random
// operands, edge operands, products that land next to a multiple of p, the
// unreduced operands the callers pass, and Fermat checks.
#include "arith/mulmod.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "arith/batch.hpp"
#include "quorvel/common.hpp"
#include "reference/arith_reference.hpp"

namespace quorvel {
namespace {

namespace ref = reference;
constexpr std::uint64_t all_ones = ~std::uint64_t{0};

/// Random and edge residues for p: 0, 1, 2, p-1, p-2, (p-1)/2, (p+1)/2 and
/// `random_count` seeded random values below p.
std::vector<std::uint64_t> residues(std::uint64_t p, std::mt19937_64& rng, int random_count) {
  std::vector<std::uint64_t> v = {0, 1, 2 % p, p - 1, p - 2, (p - 1) / 2, (p + 1) / 2};
  for (int i = 0; i < random_count; ++i) v.push_back(rng() % p);
  return v;
}

/// How many random operands to try for p: more for the large primes, where
/// the quotient estimates have the least room.
int random_count(std::uint64_t p) { return p > (std::uint64_t{1} << 40) ? 3000 : 300; }

TEST(TestPrimes, AreTheIntendedPrimes) {
  // The written-out list is exactly what the reference search finds.
  const auto& primes = ref::test_primes();
  ASSERT_EQ(primes, ref::generate_test_primes());
  EXPECT_EQ(primes.front(), 3u);
  EXPECT_EQ(primes.back(), 4611686018427387847ULL);  // largest prime below 2^62
  EXPECT_LT(primes.back(), p_limit);
  EXPECT_GT(primes.size(), 180u);
  // Primes of every kernel family, and on both sides of each family's limit.
  for (const std::uint64_t limit : {fp_lazy_limit, fp_balanced_limit, p_limit}) {
    EXPECT_GE(std::count_if(primes.begin(), primes.end(), [&](auto p) { return p < limit; }), 5);
    if (limit < p_limit) {
      EXPECT_GE(std::count_if(primes.begin(), primes.end(), [&](auto p) { return p > limit; }), 5);
    }
  }
}

TEST(SetPrimeModulus, ConstantsMatchTheirDefinitions) {
  for (const std::uint64_t p : ref::test_primes()) {
    const arith_state_t arith = prime_modulus(p);
    ASSERT_EQ(arith.globalp[0], p);
    ASSERT_EQ(arith.globalp[1], p);
    ASSERT_EQ(p * arith.mont_pinv, 1u) << p;
    ASSERT_EQ(arith.mont_one, static_cast<std::uint64_t>((ref::u128{1} << 64) % p)) << p;
    ASSERT_EQ(arith.mont_r2, ref::mulmod(arith.mont_one, arith.mont_one, p)) << p;
    ASSERT_EQ(arith.norm_p >> 63, 1u) << p;
    ASSERT_EQ(arith.norm_p, p << arith.norm_shift) << p;
    ASSERT_EQ(arith.norm_inv,
              static_cast<std::uint64_t>(~ref::u128{0} / arith.norm_p - (ref::u128{1} << 64)))
        << p;
    ASSERT_EQ(arith.p_d, static_cast<double>(p));
    ASSERT_EQ(arith.recip_pd, 1.0 / static_cast<double>(p));
    ASSERT_EQ(arith.recip_p, 1.0L / static_cast<long double>(p));
  }
}

TEST(NormalisedDivision, RemainderAndQuotientOfEdgeNumerators) {
  std::mt19937_64 rng(11);
  for (const std::uint64_t p : ref::test_primes()) {
    const arith_state_t arith = prime_modulus(p);
    const std::uint64_t d = arith.norm_p;
    const std::uint64_t highs[] = {0, 1, d / 2, d - 2, d - 1, rng() % d};
    const std::uint64_t lows[] = {0, 1, d - 1, d, all_ones - 1, all_ones, rng()};
    for (const std::uint64_t u1 : highs) {
      for (const std::uint64_t u0 : lows) {
        const ref::u128 u = (static_cast<ref::u128>(u1) << 64) | u0;
        ASSERT_EQ(norm_rem(arith, u1, u0), static_cast<std::uint64_t>(u % d))
            << p << " " << u1 << " " << u0;
        ASSERT_EQ(norm_quot(arith, u1, u0), static_cast<std::uint64_t>(u / d))
            << p << " " << u1 << " " << u0;
      }
    }
  }
}

TEST(MulModP, ReducedOperandsMatchReference) {
  std::mt19937_64 rng(1);
  for (const std::uint64_t p : ref::test_primes()) {
    const arith_state_t arith = prime_modulus(p);
    const auto a_values = residues(p, rng, random_count(p));
    for (std::size_t i = 0; i < a_values.size(); ++i) {
      const std::uint64_t a = a_values[i];
      const std::uint64_t b = i < 7 ? a_values[(i + 3) % 7] : rng() % p;
      const std::uint64_t want = ref::mulmod(a, b, p);
      ASSERT_EQ(mul_mod_p(arith, a, b), want) << "p=" << p << " a=" << a << " b=" << b;
      ASSERT_EQ(mul_mod_p_reduced(arith, a, b), want) << "p=" << p << " a=" << a << " b=" << b;
    }
    for (const std::uint64_t a : residues(p, rng, 0)) {
      for (const std::uint64_t b : residues(p, rng, 0)) {
        ASSERT_EQ(mul_mod_p(arith, a, b), ref::mulmod(a, b, p))
            << "p=" << p << " a=" << a << " b=" << b;
      }
    }
  }
}

TEST(MulModP, ProductsNextToAMultipleOfP) {
  // a = t / b (mod p) makes a*b land on t: residues 0, 1, p-1 and p-2 sit
  // where a quotient estimate is most likely to be one off either way.
  std::mt19937_64 rng(2);
  for (const std::uint64_t p : ref::test_primes()) {
    const arith_state_t arith = prime_modulus(p);
    for (int i = 0; i < 200; ++i) {
      const std::uint64_t b = 1 + rng() % (p - 1);
      const std::uint64_t b_inv = ref::powmod(b, p - 2, p);
      for (const std::uint64_t t : {std::uint64_t{0}, std::uint64_t{1}, p - 1, p - 2}) {
        const std::uint64_t a = ref::mulmod(t, b_inv, p);
        ASSERT_EQ(mul_mod_p(arith, a, b), t) << "p=" << p << " a=" << a << " b=" << b;
        ASSERT_EQ(mul_mod_p_b(arith, a, b, bdiv_p(arith, b)), t)
            << "p=" << p << " a=" << a << " b=" << b;
      }
    }
  }
}

TEST(MulModP, UnreducedOperandsMatchReference) {
  std::mt19937_64 rng(3);
  for (const std::uint64_t p : ref::test_primes()) {
    const arith_state_t arith = prime_modulus(p);
    for (int i = 0; i < 300; ++i) {
      // A k below 2^31 (often above a small p), on either side.
      const std::uint64_t k = 1 + rng() % 0x7FFFFFFF;
      const std::uint64_t x = rng() % p;
      ASSERT_EQ(mul_mod_p(arith, k, x), ref::mulmod(k, x, p))
          << "p=" << p << " k=" << k << " x=" << x;
      ASSERT_EQ(mul_mod_p(arith, x, k), ref::mulmod(x, k, p))
          << "p=" << p << " k=" << k << " x=" << x;
      // k*2^23 (below 2^54) times a reduced power of 2.
      const std::uint64_t k23 = k << 23;
      const std::uint64_t pw = ref::powmod(2, rng() % 5000, p);
      ASSERT_EQ(mul_mod_p(arith, k23, pw), ref::mulmod(k23, pw, p)) << "p=" << p << " k=" << k;
      // Any 64-bit operands, both possibly unreduced.
      const std::uint64_t a = rng(), b = rng() >> (rng() % 64);
      ASSERT_EQ(mul_mod_p(arith, a, b), ref::mulmod(a, b, p))
          << "p=" << p << " a=" << a << " b=" << b;
    }
    for (const std::uint64_t a : {p, p + 1, 2 * p - 1, all_ones, all_ones - 1}) {
      for (const std::uint64_t b : {std::uint64_t{0}, std::uint64_t{1}, p - 1, p, all_ones}) {
        ASSERT_EQ(mul_mod_p(arith, a, b), ref::mulmod(a, b, p))
            << "p=" << p << " a=" << a << " b=" << b;
        ASSERT_EQ(mul_mod_p(arith, b, a), ref::mulmod(b, a, p))
            << "p=" << p << " a=" << a << " b=" << b;
      }
    }
  }
}

TEST(MulModPB, MatchesReferenceForAnyFirstOperand) {
  std::mt19937_64 rng(4);
  for (const std::uint64_t p : ref::test_primes()) {
    const arith_state_t arith = prime_modulus(p);
    for (const std::uint64_t b : residues(p, rng, 20)) {
      const bdivp_t bq = bdiv_p(arith, b);
      ASSERT_EQ(bq.quot, static_cast<std::uint64_t>((static_cast<ref::u128>(b) << 64) / p)) << p;
      for (const std::uint64_t a : residues(p, rng, random_count(p) / 20)) {
        ASSERT_EQ(mul_mod_p_b(arith, a, b, bq), ref::mulmod(a, b, p))
            << "p=" << p << " a=" << a << " b=" << b;
      }
      for (const std::uint64_t a : {p, all_ones, all_ones - p, std::uint64_t{0x7FFFFFFF}, rng()}) {
        ASSERT_EQ(mul_mod_p_b(arith, a, b, bq), ref::mulmod(a, b, p))
            << "p=" << p << " a=" << a << " b=" << b;
      }
    }
  }
}

TEST(MulModPB, DependentChainMatchesReference) {
  // A long chain x <- x*b, the way the searches step, never drifts.
  std::mt19937_64 rng(5);
  for (const std::uint64_t p : ref::test_primes()) {
    const arith_state_t arith = prime_modulus(p);
    const std::uint64_t b = rng() % p;
    const bdivp_t bq = bdiv_p(arith, b);
    std::uint64_t x = 1 + rng() % (p - 1), want = x;
    for (int i = 0; i < 2000; ++i) {
      x = mul_mod_p_b(arith, x, b, bq);
      want = ref::mulmod(want, b, p);
      ASSERT_EQ(x, want) << "p=" << p << " b=" << b << " step " << i;
    }
  }
}

/// Exponents every power routine is tried with, besides random ones.
std::vector<std::uint64_t> edge_exponents(std::uint64_t p) {
  std::vector<std::uint64_t> v;
  for (std::uint64_t e = 0; e <= 70; ++e) v.push_back(e);
  for (int k = 1; k < 64; ++k) {
    v.push_back(std::uint64_t{1} << k);
    v.push_back((std::uint64_t{1} << k) - 1);
    v.push_back((std::uint64_t{1} << k) + 1);
  }
  for (const std::uint64_t e : {p - 2, p - 1, p, p + 1, (p - 1) / 2, all_ones, all_ones - 1,
                                std::uint64_t{1} << 63, std::uint64_t{0x5555555555555555}})
    v.push_back(e);
  return v;
}

TEST(Pow2Mod, MatchesReferenceAndFermat) {
  std::mt19937_64 rng(6);
  for (const std::uint64_t p : ref::test_primes()) {
    const arith_state_t arith = prime_modulus(p);
    EXPECT_EQ(pow2mod(arith, 0), 1u) << p;
    EXPECT_EQ(pow2mod(arith, 1), 2 % p) << p;
    EXPECT_EQ(pow2mod(arith, p - 1), 1u) << p;  // Fermat
    auto exps = edge_exponents(p);
    for (int i = 0; i < 100; ++i) exps.push_back(rng() >> (rng() % 64));
    for (const std::uint64_t e : exps) {
      ASSERT_EQ(pow2mod(arith, e), ref::powmod(2, e, p)) << "p=" << p << " e=" << e;
    }
  }
}

TEST(PowmodSse2, MatchesReferenceForEdgeAndRandomOperands) {
  std::mt19937_64 rng(7);
  for (const std::uint64_t p : ref::test_primes()) {
    const arith_state_t arith = prime_modulus(p);
    auto exps = edge_exponents(p);
    for (int i = 0; i < 30; ++i) exps.push_back(rng() >> (rng() % 64));
    auto bases = residues(p, rng, 4);
    // Unreduced bases: a k below 2^31, multiples of p, the largest words.
    for (const std::uint64_t b :
         {std::uint64_t{0x7FFFFFFF}, 1 + rng() % 0x7FFFFFFF, p, p + 1, 3 * p + 2, all_ones, rng()})
      bases.push_back(b);
    for (const std::uint64_t b : bases) {
      for (const std::uint64_t e : exps) {
        ASSERT_EQ(powmod_sse2(arith, b, e), ref::powmod(b, e, p))
            << "p=" << p << " b=" << b << " e=" << e;
      }
    }
  }
}

TEST(PowmodSse2, FixedPointsAndFermat) {
  std::mt19937_64 rng(8);
  for (const std::uint64_t p : ref::test_primes()) {
    const arith_state_t arith = prime_modulus(p);
    EXPECT_EQ(powmod_sse2(arith, 0, 0), 1u) << p;
    EXPECT_EQ(powmod_sse2(arith, 0, all_ones), 0u) << p;
    EXPECT_EQ(powmod_sse2(arith, p, 1), 0u) << p;
    EXPECT_EQ(powmod_sse2(arith, p + 5, 1), 5 % p) << p;  // a base above p comes back reduced
    EXPECT_EQ(powmod_sse2(arith, 1, rng()), 1u) << p;
    for (int i = 0; i < 50; ++i) {
      const std::uint64_t b = 1 + rng() % (p - 1);
      ASSERT_EQ(powmod_sse2(arith, b, p - 1), 1u) << "p=" << p << " b=" << b;
      ASSERT_EQ(powmod_sse2(arith, b, p), b) << "p=" << p << " b=" << b;
      ASSERT_EQ(powmod_sse2(arith, b, 0), 1u) << "p=" << p << " b=" << b;
      ASSERT_EQ(powmod_sse2(arith, b, 1), b) << "p=" << p << " b=" << b;
    }
  }
}

}  // namespace
}  // namespace quorvel
