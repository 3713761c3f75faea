// Small number-theory helpers on 32-bit (and one 64-bit) unsigned integers:
// greatest common divisors, the inverse modulo m and the Jacobi symbol.
// Pure constexpr functions; none touches global state.
#pragma once

#include <cstdint>

#include "quorvel/macros.hpp"

namespace quorvel {

/// gcd(a, b) by Euclid's remainders. gcd32(0, b) = b; gcd32(a, 0) = a.
constexpr std::uint32_t gcd32(std::uint32_t a, std::uint32_t b) {
  while (b != 0) {
    const std::uint32_t t = a % b;
    a = b;
    b = t;
  }
  return a;
}

/// gcd(a, b) for a 64-bit a and a 32-bit b != 0: a is reduced modulo b first,
/// then Euclid continues on 32 bits. With b = 0 the gcd is a itself: returned
/// when it fits 32 bits, else 0.
constexpr std::uint32_t gcd6432(std::uint64_t a, std::uint32_t b) {
  if (b == 0) return a <= 0xFFFFFFFFu ? static_cast<std::uint32_t>(a) : 0;
  return gcd32(b, static_cast<std::uint32_t>(a % b));
}

/// gcd(a, b) of 64-bit values by the binary method: shifts and
/// subtractions, no divisions, so it is quick on the small values of the
/// search plans. binary_gcd(0, b) = b; binary_gcd(a, 0) = a.
constexpr std::uint64_t binary_gcd(std::uint64_t a, std::uint64_t b) {
  if (a == 0) return b;
  if (b == 0) return a;
  const int shift = __builtin_ctzll(a | b);
  a >>= __builtin_ctzll(a);
  do {
    b >>= __builtin_ctzll(b);
    if (a > b) {
      const std::uint64_t t = a;
      a = b;
      b = t;
    }
    b -= a;
  } while (b != 0);
  return a << shift;
}

/// The inverse x of a modulo m (1 <= x < m) for gcd(a, m) = 1 and m >= 2;
/// a may exceed m. Extended Euclid on (m, a mod m) carrying only the
/// coefficient of a (r_i == x_i * a mod m); the coefficients are bounded by m
/// in absolute value, so 64-bit signed arithmetic holds them for every
/// 32-bit m. Returns 0 when gcd(a, m) > 1 (no inverse exists).
constexpr std::uint32_t multinv32(std::uint32_t a, std::uint32_t m) {
  QUORVEL_ASSERT(m >= 2);
  std::uint32_t r0 = m, r1 = a % m;
  std::int64_t x0 = 0, x1 = 1;
  while (r1 != 0) {
    const std::uint32_t q = r0 / r1;
    const std::uint32_t r2 = r0 - q * r1;
    const std::int64_t x2 = x0 - static_cast<std::int64_t>(q) * x1;
    r0 = r1;
    r1 = r2;
    x0 = x1;
    x1 = x2;
  }
  if (r0 != 1) return 0;
  return static_cast<std::uint32_t>(x0 < 0 ? x0 + m : x0);
}

/// The Jacobi symbol (a/b) for odd b: +1, -1, or 0 when gcd(a, b) > 1.
/// Binary method: factors 2 of a flip the sign when b == 3, 5 (mod 8);
/// reciprocity flips it when a == b == 3 (mod 4). An even b (no symbol) gives 0.
constexpr int jacobi(std::uint32_t a, std::uint32_t b) {
  if ((b & 1) == 0) return 0;
  int s = 1;
  while (a != 0) {
    while ((a & 1) == 0) {
      a >>= 1;
      if ((b & 7) == 3 || (b & 7) == 5) s = -s;
    }
    if ((a & 3) == 3 && (b & 3) == 3) s = -s;
    const std::uint32_t t = b % a;
    b = a;
    a = t;
  }
  return b == 1 ? s : 0;
}

static_assert(gcd32(12, 18) == 6 && gcd32(0, 7) == 7 && gcd32(7, 1) == 1 && gcd32(9, 0) == 9);
static_assert(gcd6432(std::uint64_t{1} << 40, 3 * 32) == 32);
static_assert(multinv32(1, 7) == 1 && multinv32(3, 7) == 5 && multinv32(10, 7) == 5 &&
              multinv32(6, 7) == 6 && multinv32(4, 6) == 0);
static_assert(jacobi(2, 7) == 1 && jacobi(3, 7) == -1 && jacobi(0, 7) == 0 && jacobi(6, 9) == 0 &&
              jacobi(1, 1) == 1);

}  // namespace quorvel
