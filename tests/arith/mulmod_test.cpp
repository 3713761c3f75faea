// The multiply and power kernels against plain 128-bit arithmetic.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "arith/mulmod.hpp"

namespace quorvel {
namespace {

using u128 = unsigned __int128;

std::uint64_t ref_mul(std::uint64_t a, std::uint64_t b, std::uint64_t p) {
  return static_cast<std::uint64_t>(static_cast<u128>(a) * b % p);
}

std::uint64_t ref_pow(std::uint64_t b, std::uint64_t e, std::uint64_t p) {
  std::uint64_t r = 1 % p;
  b %= p;
  while (e) {
    if (e & 1) r = ref_mul(r, b, p);
    b = ref_mul(b, b, p);
    e >>= 1;
  }
  return r;
}

TEST(MulModP, MatchesInt128ReferenceNear2To50) {
  const std::uint64_t p = 1125899906842597ULL;  // largest prime below 2^50
  set_prime_modulus(p);
  std::mt19937_64 rng(12345);
  for (int i = 0; i < 100000; ++i) {
    const std::uint64_t a = rng() % p, b = rng() % p;
    ASSERT_EQ(mul_mod_p(a, b), ref_mul(a, b, p)) << a << " " << b;
    ASSERT_EQ(mul_mod_p_b(a, b, bdiv_p(b)), ref_mul(a, b, p)) << a << " " << b;
  }
  EXPECT_EQ(mul_mod_p(p - 1, p - 1), 1u);
  EXPECT_EQ(pow2mod(p - 1), 1u);
  EXPECT_EQ(powmod_sse2(3, p - 1), 1u);
  EXPECT_EQ(powmod_sse2(12345, 1ULL << 63), ref_pow(12345, 1ULL << 63, p));
}

}  // namespace
}  // namespace quorvel
