// The generator's 32-bit number theory against the references: Montgomery
// products, the segmented prime sieve, the order of 2 and the batched
// discrete logarithms (brute force for small p, 128-bit powering near 2^32).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "newdat/mont32.hpp"
#include "newdat/newdat_reference.hpp"
#include "newdat/pow2_dlog.hpp"
#include "newdat/prime_segments.hpp"

namespace quorvel {
namespace {

using ref::is_prime_trial;
using ref::mulmod;
using ref::powmod;
using ref::prime_factors;

// Largest prime <= x (x small enough for trial division to be quick).
std::uint32_t prime_at_or_below(std::uint64_t x) {
  while (!is_prime_trial(x)) --x;
  return static_cast<std::uint32_t>(x);
}

// Everything the dlog needs for p, built with the code under test.
struct prime_setup_t {
  mont32_t m;
  std::uint32_t ord;
  std::vector<prime_power_t> ord_factors;
};

prime_setup_t setup(std::uint32_t p) {
  static const std::vector<std::uint32_t> base = primes_up_to(65535);
  prime_setup_t s;
  s.m = make_mont32(p);
  std::vector<prime_power_t> pf;
  factor_u32(p - 1, base, pf);
  s.ord = order_of_2(s.m, pf, s.ord_factors);
  return s;
}

// True order of 2 mod p from the definition: 2^ord == 1 and 2^(ord/q) != 1
// for every prime q | ord, with ord | p-1.
void expect_true_order(std::uint32_t p, std::uint32_t ord) {
  ASSERT_EQ((p - 1) % ord, 0u) << "p=" << p << " ord=" << ord;
  EXPECT_EQ(powmod(2, ord, p), 1u) << "p=" << p;
  for (const std::uint64_t q : prime_factors(ord))
    EXPECT_NE(powmod(2, ord / q, p), 1u) << "p=" << p << " ord=" << ord << " q=" << q;
}

// Primes p < 2^32 of the shape c*q^e+1, found by trial division, so that the
// order of 2 has a high prime power (digit by digit Pohlig-Hellman) or a very
// large prime factor (big baby-step tables).
std::vector<std::uint32_t> awkward_primes() {
  // 3221225473 = 3*2^30+1; 4294967291 is the largest prime below 2^32.
  std::vector<std::uint32_t> ps = {3, 5, 7, 17, 257, 65537, 3221225473u, 4294967291u};
  const std::uint64_t shapes[][2] = {{3, 19}, {3, 12}, {5, 13}, {7, 10}, {11, 8}, {2, 27}};
  for (const auto& sh : shapes) {
    std::uint64_t qe = 1;
    for (std::uint64_t i = 0; i < sh[1]; ++i) qe *= sh[0];
    const std::uint64_t step = sh[0] == 2 ? 1 : 2;  // c*q^e+1 must be odd
    for (std::uint64_t c = step; c * qe + 1 < (std::uint64_t{1} << 32); c += step) {
      if (is_prime_trial(c * qe + 1)) {
        ps.push_back(static_cast<std::uint32_t>(c * qe + 1));
        break;
      }
    }
  }
  // Safe primes near 2^32: the order is (p-1)/2 or p-1, a huge prime subgroup.
  int found = 0;
  for (std::uint64_t p = 4294967291u; found < 2; p -= 2) {
    if (is_prime_trial(p) && is_prime_trial((p - 1) / 2)) {
      ps.push_back(static_cast<std::uint32_t>(p));
      ++found;
    }
  }
  return ps;
}

TEST(Mont32, ProductsMatchInt128Reference) {
  std::mt19937_64 rng(20240611);
  const std::uint32_t big_primes[] = {2147483647u, prime_at_or_below(2147483700u), 4294967291u,
                                      prime_at_or_below(3000000000u)};
  std::vector<std::uint32_t> primes = {3, 5, 65521};
  primes.insert(primes.end(), std::begin(big_primes), std::end(big_primes));
  for (const std::uint32_t p : primes) {
    const mont32_t m = make_mont32(p);
    EXPECT_EQ(mont32_from(m, m.one), 1u) << "p=" << p;
    EXPECT_EQ(mont32_from(m, mont32_to(m, p - 1)), p - 1) << "p=" << p;
    for (int i = 0; i < 20000; ++i) {
      const std::uint32_t a = static_cast<std::uint32_t>(rng()),
                          b = static_cast<std::uint32_t>(rng());
      const std::uint32_t fa = mont32_to(m, a), fb = mont32_to(m, b);
      ASSERT_LT(fa, p);
      ASSERT_EQ(mont32_from(m, mont32_mul(m, fa, fb)), mulmod(a % p, b % p, p))
          << "p=" << p << " a=" << a << " b=" << b;
      ASSERT_EQ(mont32_from(m, mont32_neg(m, fa)), (p - a % p) % p) << "p=" << p << " a=" << a;
    }
    const std::uint32_t a = static_cast<std::uint32_t>(rng() % p);
    const std::uint64_t e = rng() % (std::uint64_t{1} << 40);
    EXPECT_EQ(mont32_from(m, mont32_pow(m, mont32_to(m, a), e)), powmod(a, e, p))
        << "p=" << p << " a=" << a << " e=" << e;
  }
}

TEST(PrimeSegments, MatchPlainSieveAndTrialDivision) {
  const std::vector<std::uint32_t> plain = test::ref_primes(200000);
  EXPECT_EQ(primes_up_to(200000), plain);
  EXPECT_EQ(primes_up_to(2), std::vector<std::uint32_t>{2});
  EXPECT_TRUE(primes_up_to(1).empty());

  const std::vector<std::uint32_t> base = primes_up_to(65535);
  std::vector<std::uint32_t> got;
  // Segments of all shapes against the plain sieve, concatenated.
  std::vector<std::uint32_t> joined;
  for (std::uint32_t lo = 0; lo <= 200000; lo += 12345) {
    odd_primes_in(lo, std::min<std::uint32_t>(200000, lo + 12344), base, got);
    joined.insert(joined.end(), got.begin(), got.end());
  }
  EXPECT_EQ(joined, std::vector<std::uint32_t>(plain.begin() + 1, plain.end()));
  odd_primes_in(9, 9, base, got);
  EXPECT_TRUE(got.empty());
  odd_primes_in(11, 11, base, got);
  EXPECT_EQ(got, std::vector<std::uint32_t>{11});

  // The top of the 32-bit range, where a careless end would wrap.
  const std::uint32_t lo = 4294967295u - 3000;
  odd_primes_in(lo, 4294967295u, base, got);
  std::vector<std::uint32_t> expect;
  for (std::uint64_t x = lo; x <= 4294967295u; ++x)
    if (is_prime_trial(x)) expect.push_back(static_cast<std::uint32_t>(x));
  EXPECT_EQ(got, expect);
}

TEST(Pow2Dlog, EveryTargetOfSmallPrimesMatchesBruteForce) {
  dlog_scratch_t scratch;
  for (const std::uint32_t p : test::ref_primes(2500)) {
    if (p == 2) continue;
    const prime_setup_t s = setup(p);
    expect_true_order(p, s.ord);
    // The table of logarithms by walking 2^0, 2^1, ... once round the cycle.
    std::vector<std::uint32_t> ref_log(p, no_dlog);
    std::uint64_t x = 1;
    for (std::uint32_t i = 0; i < s.ord; ++i, x = 2 * x % p) ref_log[x] = i;
    std::vector<std::uint32_t> targets, logs(p - 1);
    for (std::uint32_t t = 1; t < p; ++t) targets.push_back(mont32_to(s.m, t));
    pow2_dlog_batch(s.m, s.ord, s.ord_factors, targets.data(), targets.size(), logs.data(),
                    scratch);
    for (std::uint32_t t = 1; t < p; ++t)
      ASSERT_EQ(logs[t - 1], ref_log[t]) << "p=" << p << " target=" << t;
  }
}

TEST(Pow2Dlog, AwkwardPrimesUpTo2To32MatchPowering) {
  std::mt19937_64 rng(777);
  dlog_scratch_t scratch;
  for (const std::uint32_t p : awkward_primes()) {
    ASSERT_TRUE(is_prime_trial(p)) << p;
    const prime_setup_t s = setup(p);
    expect_true_order(p, s.ord);
    // Half the targets are known powers of 2 (one of them 2^(ord-1)), half
    // random (then a power of 2 only if t^ord == 1).
    std::vector<std::uint32_t> plain, targets;
    for (int i = 0; i < 40; ++i) {
      const std::uint64_t t = i % 2 == 0 ? powmod(2, rng() % s.ord, p) : 1 + rng() % (p - 1);
      plain.push_back(static_cast<std::uint32_t>(t));
    }
    plain.push_back(static_cast<std::uint32_t>(powmod(2, s.ord - 1, p)));
    plain.push_back(1);
    plain.push_back(p - 1);
    for (const std::uint32_t t : plain) targets.push_back(mont32_to(s.m, t));
    std::vector<std::uint32_t> logs(targets.size());
    pow2_dlog_batch(s.m, s.ord, s.ord_factors, targets.data(), targets.size(), logs.data(),
                    scratch);
    for (std::size_t i = 0; i < plain.size(); ++i) {
      const bool in_group = powmod(plain[i], s.ord, p) == 1;
      if (!in_group) {
        EXPECT_EQ(logs[i], no_dlog) << "p=" << p << " target=" << plain[i];
        continue;
      }
      ASSERT_NE(logs[i], no_dlog) << "p=" << p << " target=" << plain[i];
      EXPECT_LT(logs[i], s.ord) << "p=" << p << " target=" << plain[i];
      EXPECT_EQ(powmod(2, logs[i], p), plain[i]) << "p=" << p << " log=" << logs[i];
    }
  }
}

TEST(FactorU32, ProductOfFactorsGivesNumberBack) {
  const std::vector<std::uint32_t> base = primes_up_to(65535);
  std::mt19937_64 rng(99);
  std::vector<prime_power_t> f;
  for (int i = 0; i < 3000; ++i) {
    const std::uint32_t x =
        i < 5 ? std::uint32_t{1} << (31 - i) : 1 + static_cast<std::uint32_t>(rng());
    factor_u32(x, base, f);
    std::vector<std::uint64_t> primes;
    std::uint64_t prod = 1;
    for (const prime_power_t& pp : f) {
      primes.push_back(pp.q);
      for (std::uint32_t e = 0; e < pp.e; ++e) prod *= pp.q;
    }
    EXPECT_EQ(prod, x);
    EXPECT_EQ(primes, prime_factors(x)) << "x=" << x;
  }
}

}  // namespace
}  // namespace quorvel
