// Exact multiplication and powering modulo the current prime p <= 2^50.
//
// Two exact methods are used, each where it is fastest:
//  * a floating-point quotient estimate: for a, b < p the double product
//    a*b/p is within 0.375 of the true quotient (three roundings of 2^-53
//    relative error on a value below 2^50), so the rounded estimate q is the
//    floor or the ceiling of the quotient and a*b - q*p, formed modulo 2^64,
//    lies in (-p, p); one conditional addition of p finishes it;
//  * Montgomery multiplication with R = 2^64 for the long dependent chains
//    of the power routines (a 128-bit product and one high multiply).
// Every function reads the modulus from `arith` (set_prime_modulus).
#pragma once

#include <cmath>
#include <cstdint>

#include "quorvel/arith_state.hpp"

namespace quorvel {

using u128 = unsigned __int128;

/// a*b mod p for a, b < p.
inline std::uint64_t mul_mod_p_reduced(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t p = arith.globalp[0];
  const double est = static_cast<double>(a) * static_cast<double>(b) * arith.recip_pd;
  const std::uint64_t q = static_cast<std::uint64_t>(std::llrint(est));
  std::int64_t r = static_cast<std::int64_t>(a * b - q * p);
  r += (r >> 63) & static_cast<std::int64_t>(p);
  return static_cast<std::uint64_t>(r);
}

/// a*b mod p for any a, b (unreduced operands, such as a k below 2^31, are
/// reduced first).
inline std::uint64_t mul_mod_p(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t p = arith.globalp[0];
  if (a >= p) a %= p;
  if (b >= p) b %= p;
  return mul_mod_p_reduced(a, b);
}

/// The precomputed quotient b/p that mul_mod_p_b needs for a fixed b < p.
inline double bdiv_p(std::uint64_t b) { return static_cast<double>(b) * arith.recip_pd; }

/// a*b mod p for a, b < p, with bdivp = bdiv_p(b): one multiply saved per
/// call when b is fixed over a run of calls. |a*bdivp - a*b/p| < 0.32.
inline std::uint64_t mul_mod_p_b(std::uint64_t a, std::uint64_t b, double bdivp) {
  const std::uint64_t p = arith.globalp[0];
  const std::uint64_t q =
      static_cast<std::uint64_t>(std::llrint(static_cast<double>(a) * bdivp));
  std::int64_t r = static_cast<std::int64_t>(a * b - q * p);
  r += (r >> 63) & static_cast<std::int64_t>(p);
  return static_cast<std::uint64_t>(r);
}

/// Montgomery reduction of t < p*2^64: returns t/2^64 mod p, in [0, p).
inline std::uint64_t mont_redc(u128 t) {
  const std::uint64_t p = arith.globalp[0];
  const std::uint64_t lo = static_cast<std::uint64_t>(t);
  const std::uint64_t hi = static_cast<std::uint64_t>(t >> 64);
  const std::uint64_t m = lo * arith.mont_pinv;
  const std::uint64_t mp_hi = static_cast<std::uint64_t>((static_cast<u128>(m) * p) >> 64);
  // t - m*p is divisible by 2^64 and lies in (-p*2^64, p*2^64).
  std::int64_t r = static_cast<std::int64_t>(hi - mp_hi);
  r += (r >> 63) & static_cast<std::int64_t>(p);
  return static_cast<std::uint64_t>(r);
}

/// Montgomery product a*b/R mod p for a, b < p.
inline std::uint64_t mont_mul(std::uint64_t a, std::uint64_t b) {
  return mont_redc(static_cast<u128>(a) * b);
}

/// Residue a < p into Montgomery form a*R mod p.
inline std::uint64_t to_mont(std::uint64_t a) { return mont_mul(a, arith.mont_r2); }

/// Montgomery form back to the plain residue.
inline std::uint64_t from_mont(std::uint64_t a) { return mont_redc(a); }

/// 2^e mod p, left-to-right: a square per bit and a doubling per set bit.
inline std::uint64_t pow2mod(std::uint64_t e) {
  if (e == 0) return 1 % arith.globalp[0];
  const std::uint64_t p = arith.globalp[0];
  int bit = 63 - __builtin_clzll(e);
  // The top five bits of e give an exponent below 32: that power of 2 is
  // formed directly, saving the first squarings.
  int take = bit < 4 ? bit + 1 : 5;
  std::uint64_t top = e >> (bit + 1 - take);
  bit -= take;
  std::uint64_t x = (std::uint64_t{1} << top) % p;
  x = to_mont(x);
  for (; bit >= 0; --bit) {
    x = mont_mul(x, x);
    if ((e >> bit) & 1) {
      x <<= 1;
      if (x >= p) x -= p;
    }
  }
  return from_mont(x);
}

/// b^e mod p for any b (reduced first) and e; 0^0 is 1.
inline std::uint64_t powmod_sse2(std::uint64_t b, std::uint64_t e) {
  const std::uint64_t p = arith.globalp[0];
  if (b >= p) b %= p;
  if (e == 0) return 1 % p;
  // Right to left: the square and the product of a step are independent,
  // so their multiplies overlap.
  std::uint64_t r = to_mont(b);
  while ((e & 1) == 0) {
    r = mont_mul(r, r);
    e >>= 1;
  }
  std::uint64_t acc = r;
  e >>= 1;
  while (e != 0) {
    r = mont_mul(r, r);
    if (e & 1) acc = mont_mul(acc, r);
    e >>= 1;
  }
  return from_mont(acc);
}

}  // namespace quorvel
