// gcd32, gcd6432, multinv32 and jacobi against brute force: divisor search,
// trying every inverse, squares modulo each prime factor, Euler's criterion
// with 128-bit powers for large prime moduli, and the standard library's gcd
// for large arguments; divisor_t against the processor's division.
#include "arith/number_theory.hpp"
#include "arith/divisor.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

#include "reference/arith_reference.hpp"

namespace quorvel {
namespace {

namespace ref = reference;

TEST(Gcd32, SmallPairsMatchBruteForce) {
  for (std::uint32_t a = 0; a <= 120; ++a) {
    for (std::uint32_t b = 0; b <= 120; ++b) {
      ASSERT_EQ(gcd32(a, b), ref::gcd_brute(a, b)) << a << " " << b;
    }
  }
}

TEST(Gcd32, LargeArgumentsWithKnownCommonFactor) {
  // gcd(g*x, g*y) = g * gcd(x, y), with gcd(x, y) from the standard library.
  std::mt19937_64 rng(21);
  for (int i = 0; i < 20000; ++i) {
    const std::uint32_t g = 1 + rng() % 5000;
    const std::uint32_t x = static_cast<std::uint32_t>(rng() % (0xFFFFFFFFu / g));
    const std::uint32_t y = 1 + static_cast<std::uint32_t>(rng() % (0xFFFFFFFFu / g));
    ASSERT_EQ(gcd32(g * x, g * y), g * std::gcd(x, y)) << g * x << " " << g * y;
  }
  EXPECT_EQ(gcd32(0xFFFFFFFFu, 0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_EQ(gcd32(0xFFFFFFFFu, 65537u * 3u), 65537u * 3u);
}

TEST(BinaryGcd, MatchesBruteForceAndKnownCommonFactors) {
  for (std::uint64_t a = 0; a <= 100; ++a)
    for (std::uint64_t b = 0; b <= 100; ++b)
      ASSERT_EQ(binary_gcd(a, b), ref::gcd_brute(a, b)) << a << " " << b;
  // gcd(g*x, g*y) = g * gcd(x, y) on 64-bit values, shifts of 2 included.
  std::mt19937_64 rng(23);
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t g = (1 + rng() % 5000) << (rng() % 8);
    const std::uint64_t x = rng() % (~std::uint64_t{0} / g);
    const std::uint64_t y = 1 + rng() % (~std::uint64_t{0} / g - 1);
    ASSERT_EQ(binary_gcd(g * x, g * y), g * std::gcd(x, y)) << g * x << " " << g * y;
  }
  EXPECT_EQ(binary_gcd(~std::uint64_t{0}, ~std::uint64_t{0}), ~std::uint64_t{0});
  EXPECT_EQ(binary_gcd(std::uint64_t{1} << 63, std::uint64_t{3} << 40), std::uint64_t{1} << 40);
}

TEST(Gcd6432, ReducesTheWideArgumentFirst) {
  EXPECT_EQ(gcd6432(std::uint64_t{1} << 40, 3 * 32), 32u);
  EXPECT_EQ(gcd6432(0, 7), 7u);
  EXPECT_EQ(gcd6432(12345, 0), 12345u);
  EXPECT_EQ(gcd6432(std::uint64_t{1} << 40, 0), 0u);  // gcd does not fit 32 bits
  std::mt19937_64 rng(22);
  for (int i = 0; i < 2000; ++i) {
    const std::uint32_t b = 1 + rng() % 3000;
    const std::uint64_t a = rng() >> (rng() % 40);
    ASSERT_EQ(gcd6432(a, b), ref::gcd_brute(a % b, b)) << a << " " << b;
    // gcd(a, b) divides b and a, and is the largest such: brute force on b.
    std::uint32_t want = 0;
    for (std::uint32_t d = 1; d <= b; ++d)
      if (b % d == 0 && a % d == 0) want = d;
    ASSERT_EQ(gcd6432(a, b), want) << a << " " << b;
  }
}

TEST(Multinv32, MatchesBruteForceForSmallModuli) {
  for (std::uint32_t m = 2; m <= 150; ++m) {
    for (std::uint32_t a = 0; a <= 2 * m + 3; ++a) {
      ASSERT_EQ(multinv32(a, m), ref::inverse_brute(a, m)) << a << " " << m;
    }
  }
  EXPECT_EQ(multinv32(1, 7), 1u);
  EXPECT_EQ(multinv32(3, 7), 5u);
  EXPECT_EQ(multinv32(10, 7), 5u);
  EXPECT_EQ(multinv32(6, 7), 6u);
}

TEST(Multinv32, LargeModuliGiveTrueInverses) {
  std::mt19937_64 rng(23);
  for (int i = 0; i < 20000; ++i) {
    const std::uint32_t m = 2 + static_cast<std::uint32_t>(rng() % 0xFFFFFFFDu);
    const std::uint32_t a = static_cast<std::uint32_t>(rng());
    const std::uint32_t x = multinv32(a, m);
    if (std::gcd(a, m) != 1) {
      ASSERT_EQ(x, 0u) << a << " " << m;
      continue;
    }
    ASSERT_LT(x, m) << a << " " << m;
    ASSERT_EQ(ref::mulmod(a, x, m), 1u) << a << " " << m;
  }
}

TEST(Jacobi, SmallArgumentsMatchLegendreOfFactors) {
  for (std::uint32_t b = 1; b <= 301; b += 2) {
    for (std::uint32_t a = 0; a <= 2 * b + 5; ++a) {
      ASSERT_EQ(jacobi(a, b), ref::jacobi_by_factors(a, b)) << a << " " << b;
    }
  }
  EXPECT_EQ(jacobi(2, 7), 1);
  EXPECT_EQ(jacobi(3, 7), -1);
  EXPECT_EQ(jacobi(0, 7), 0);
  EXPECT_EQ(jacobi(6, 9), 0);
  EXPECT_EQ(jacobi(1, 1), 1);
}

TEST(Jacobi, EulerCriterionForLargePrimes) {
  std::mt19937_64 rng(24);
  int checked = 0;
  while (checked < 40) {
    const std::uint32_t q = static_cast<std::uint32_t>(rng() | 1);
    if (q < 3 || !ref::is_prime(q)) continue;
    ++checked;
    for (int i = 0; i < 200; ++i) {
      const std::uint32_t a = static_cast<std::uint32_t>(rng());
      const std::uint64_t euler = ref::powmod(a, (q - 1) / 2, q);
      const int want = euler == 0 ? 0 : euler == 1 ? 1 : -1;
      ASSERT_TRUE(euler <= 1 || euler == q - 1u) << a << " " << q;
      ASSERT_EQ(jacobi(a, q), want) << a << " " << q;
    }
  }
}

TEST(Jacobi, MultiplicativeInTheModulus) {
  // (a / q1*q2) = (a/q1)(a/q2) for odd q1, q2 whose product fits 32 bits.
  std::mt19937_64 rng(25);
  for (int i = 0; i < 5000; ++i) {
    const std::uint32_t q1 = static_cast<std::uint32_t>(rng() % 60000) | 1;
    const std::uint32_t q2 = static_cast<std::uint32_t>(rng() % 60000) | 1;
    const std::uint32_t a = static_cast<std::uint32_t>(rng());
    ASSERT_EQ(jacobi(a, q1 * q2), jacobi(a, q1) * jacobi(a, q2)) << a << " " << q1 << " " << q2;
  }
}


TEST(Divisor, QuotientAndRemainderMatchTheProcessorsDivision) {
  std::mt19937_64 rng(20261209);
  std::vector<std::uint64_t> divisors = {1, 2, 3, 7, 64, 65535, 4294967295u, 4294967296u,
                                         (std::uint64_t{1} << 63) + 1, ~std::uint64_t{0}};
  for (int i = 0; i < 200; ++i) divisors.push_back(rng() >> (rng() % 64) | 1);
  for (std::uint64_t d : divisors) {
    const divisor_t div(d);
    std::vector<std::uint64_t> xs = {0, 1, d - 1, d, ~std::uint64_t{0}, ~std::uint64_t{0} - 1};
    if (d > 1) xs.push_back(~std::uint64_t{0} / d * d - 1);
    for (int j = 0; j < 300; ++j) xs.push_back(rng() >> (rng() % 64));
    for (std::uint64_t x : xs) {
      std::uint64_t r;
      ASSERT_EQ(div.quotient(x, r), x / d) << x << " / " << d;
      ASSERT_EQ(r, x % d) << x << " % " << d;
      ASSERT_EQ(div.mod(x), x % d);
    }
  }
}

}  // namespace
}  // namespace quorvel
