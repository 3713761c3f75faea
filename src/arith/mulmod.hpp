// Exact multiplication and powering modulo an odd prime p below 2^62
// (p_limit, common.hpp). Every function takes the modulus state `m` of p
// (set_prime_modulus) and returns a residue in [0, p).
//
// No division instruction is used per product. Three exact integer methods
// are used, each where it measured fastest:
//
//  * Division by the invariant p with a precomputed reciprocal (mul_mod_p).
//    With s = clz(p), d = p << s has its top bit set and v = floor((2^128-1)
//    / d) - 2^64. For b < p the 128-bit product x = a * (b << s) = (a*b) << s
//    has a high word below d whenever a < 2^64 (a*b < 2^64 * p), so the
//    two-word by one-word division of Moeller and Granlund ("Improved
//    division by invariant integers", 2011, algorithm 4) applies: one
//    multiply by v yields a candidate remainder that needs at most two
//    corrections by d, the second so rare that it is a predicted branch.
//    x mod d = (a*b mod p) << s, so one shift gives the residue. Exact for
//    every p below 2^64.
//
//  * Shoup's precomputed quotient for a fixed multiplier (mul_mod_p_b):
//    bq = floor(b * 2^64 / p), 0 <= b < p. For any a < 2^64, q = floor(a*bq /
//    2^64) satisfies a*b/p - 2 < q <= a*b/p, since a*b/p - a*bq/2^64 =
//    a * (b*2^64/p - bq) / 2^64 lies in [0, 1). So r = a*b - q*p, formed
//    modulo 2^64, is the true value in [0, 2p) (below 2^64 for p < 2^63) and
//    one conditional subtraction finishes it.
//
//  * Montgomery multiplication with R = 2^64 on signed "lazy" residues for
//    the long dependent chains of the power routines. A lazy residue is a
//    signed 64-bit v with |v| < 2p standing for v*R^-1 mod p. REDC of a
//    signed t with |t| < p*2^64: with m = (t mod 2^64) * p^-1 mod 2^64,
//    t - m*p is divisible by 2^64 and (t - m*p) / 2^64 = hi(t) - hi(m*p)
//    exactly (the low words agree); hi(m*p) lies in [0, p) and hi(t), the
//    floor of t/2^64, in [-p, p), so the result lies in (-2p, p), and in
//    (-p, p) when t >= 0. For two lazy residues |t| = |u*v| < 4p^2 <= p*2^64
//    since p < 2^62: lazy again. A square is never negative, so it comes
//    out below p in absolute value, and doubling it (the powers of 2) keeps
//    it lazy. No correction is needed inside a chain; only the final
//    conversion normalises into [0, p).
#pragma once

#include <cstdint>

#include "quorvel/arith_state.hpp"
#include "quorvel/macros.hpp"

namespace quorvel {

using u128 = unsigned __int128;
using i128 = __int128;

/// The precomputed quotient floor(b * 2^64 / p) that mul_mod_p_b needs for a
/// fixed multiplier b < p (a distinct type, so that it is never mistaken for
/// a plain number).
struct bdivp_t {
  std::uint64_t quot;
};

/// High word of the 128-bit product a*b.
inline std::uint64_t mul_hi(std::uint64_t a, std::uint64_t b) {
  return static_cast<std::uint64_t>((static_cast<u128>(a) * b) >> 64);
}

/// Remainder of u1*2^64 + u0 by norm_p = p << norm_shift, for u1 < norm_p.
/// Moeller-Granlund: (q1, q0) = v*u1 + (u1 + 1, u0); r = u0 - q1*d mod 2^64
/// is the remainder left by the candidate quotient q1. The candidate is one
/// too large exactly when r > q0 (then r + d is the remainder of q1 - 1);
/// after that it is at most one too small (then r - d).
inline std::uint64_t norm_rem(const arith_state_t& m, std::uint64_t u1, std::uint64_t u0) {
  QUORVEL_ASSERT(m.norm_p >> 63 == 1 && u1 < m.norm_p);
  const std::uint64_t d = m.norm_p;
  // The two-word sum in 64-bit halves: a 128-bit addition of a composed
  // operand makes the compiler spill.
  const u128 vu = static_cast<u128>(m.norm_inv) * u1;
  const std::uint64_t q0 = static_cast<std::uint64_t>(vu) + u0;
  const std::uint64_t q1 = static_cast<std::uint64_t>(vu >> 64) + u1 + 1 + (q0 < u0);
  std::uint64_t r = u0 - q1 * d;
  // The first adjustment is taken about half the time for most p, so it
  // must not be a branch; the compiler makes one of a plain conditional, and
  // a mask is two cycles longer than a conditional move. The second is so
  // rare that a predicted branch beats a conditional move on the chain; the
  // empty asm keeps the compiler from turning it into one.
#if defined(__x86_64__)
  const std::uint64_t rd = r + d;
  __asm__("cmpq %[q0], %[r]\n\tcmova %[rd], %[r]"
          : [r] "+r"(r)
          : [q0] "r"(q0), [rd] "r"(rd)
          : "cc");
#else
  r += d & (std::uint64_t{0} - static_cast<std::uint64_t>(r > q0));
#endif
  if (r >= d) [[unlikely]] {
    __asm__ volatile("");
    r -= d;
  }
  return r;
}

/// Quotient floor((u1*2^64 + u0) / norm_p) for u1 < norm_p (same steps as
/// norm_rem, carrying the quotient).
inline std::uint64_t norm_quot(const arith_state_t& m, std::uint64_t u1, std::uint64_t u0) {
  QUORVEL_ASSERT(m.norm_p >> 63 == 1 && u1 < m.norm_p);
  const std::uint64_t d = m.norm_p;
  const u128 q = static_cast<u128>(m.norm_inv) * u1 + ((static_cast<u128>(u1 + 1) << 64) | u0);
  std::uint64_t q1 = static_cast<std::uint64_t>(q >> 64);
  const std::uint64_t q0 = static_cast<std::uint64_t>(q);
  std::uint64_t r = u0 - q1 * d;
  if (r > q0) {
    --q1;
    r += d;
  }
  if (r >= d) ++q1;
  return q1;
}

/// a*b mod p for any a < 2^64 and b < p (reduced residues, or an unreduced
/// k < 2^31 or k*2^23 passed as a).
inline std::uint64_t mul_mod_p_reduced(const arith_state_t& m, std::uint64_t a, std::uint64_t b) {
  QUORVEL_ASSERT(b < m.globalp[0]);
  const int s = m.norm_shift;
  const u128 x = static_cast<u128>(a) * (b << s);
  return norm_rem(m, static_cast<std::uint64_t>(x >> 64), static_cast<std::uint64_t>(x)) >> s;
}

/// a*b mod p for any 64-bit a and b. Reduced operands, and those where only
/// one factor is unreduced (such as k < 2^31 above a small p), take no
/// division; only two unreduced factors cost one.
inline std::uint64_t mul_mod_p(const arith_state_t& m, std::uint64_t a, std::uint64_t b) {
  const std::uint64_t p = m.globalp[0];
  if (b >= p) [[unlikely]] {
    if (a < p) {
      const std::uint64_t t = a;
      a = b;
      b = t;
    } else {
      b %= p;
    }
  }
  return mul_mod_p_reduced(m, a, b);
}

/// The helper mul_mod_p_b needs for the fixed multiplier b < p; compute it
/// once per b.
inline bdivp_t bdiv_p(const arith_state_t& m, std::uint64_t b) {
  QUORVEL_ASSERT(b < m.globalp[0]);
  return {norm_quot(m, b << m.norm_shift, 0)};
}

/// a*b mod p for any a < 2^64 and b < p, with bdivp = bdiv_p(b).
inline std::uint64_t mul_mod_p_b(const arith_state_t& m, std::uint64_t a, std::uint64_t b,
                                 bdivp_t bdivp) {
  QUORVEL_ASSERT(b < m.globalp[0] && bdivp.quot == norm_quot(m, b << m.norm_shift, 0));
  const std::uint64_t p = m.globalp[0];
  const std::uint64_t r = a * b - mul_hi(a, bdivp.quot) * p;
  return r >= p ? r - p : r;
}

/// Whether v is a lazy residue, |v| < 2p (what the Montgomery kernels need
/// of their operands; for the contract checks).
inline bool is_lazy(const arith_state_t& m, std::int64_t v) {
  const std::int64_t bound = 2 * static_cast<std::int64_t>(m.globalp[0]);
  return v > -bound && v < bound;
}

/// Montgomery reduction of a signed t with |t| < p*2^64: t/2^64 mod p as a
/// lazy residue (see the top of this file).
inline std::int64_t mont_redc_lazy(const arith_state_t& m, i128 t) {
  QUORVEL_ASSERT(t > -(static_cast<i128>(m.globalp[0]) << 64) &&
                 t < static_cast<i128>(m.globalp[0]) << 64);
  const std::uint64_t lo = static_cast<std::uint64_t>(t);
  const std::int64_t hi = static_cast<std::int64_t>(t >> 64);
  const std::uint64_t mp_hi = mul_hi(lo * m.mont_pinv, m.globalp[0]);
  return hi - static_cast<std::int64_t>(mp_hi);
}

/// Montgomery product of two lazy residues, lazy.
inline std::int64_t mont_mul_lazy(const arith_state_t& m, std::int64_t a, std::int64_t b) {
  QUORVEL_ASSERT(is_lazy(m, a) && is_lazy(m, b));
  return mont_redc_lazy(m, static_cast<i128>(a) * b);
}

/// Lazy Montgomery form of any 64-bit a: t = a * (R^2 mod p) < 2^64 * p,
/// so the form lies in (-p, p).
inline std::int64_t to_mont_lazy(const arith_state_t& m, std::uint64_t a) {
  return mont_redc_lazy(m, static_cast<i128>(static_cast<u128>(a) * m.mont_r2));
}

/// The residue in [0, p) that the lazy Montgomery form v stands for. REDC of
/// the single word v (|v| < 2p) gives (v - m*p)/2^64 in [-p, 0]; adding p to
/// a negative value lands in [0, p).
inline std::uint64_t from_mont_lazy(const arith_state_t& m, std::int64_t v) {
  QUORVEL_ASSERT(is_lazy(m, v));
  const std::int64_t r = mont_redc_lazy(m, static_cast<i128>(v));
  return static_cast<std::uint64_t>(r + (r < 0 ? static_cast<std::int64_t>(m.globalp[0]) : 0));
}

/// Lazy Montgomery form of 2^top for top < 64: REDC(2^top * R^2 mod p), the
/// argument below 2^113 < p * 2^64. Saves the squarings of the top bits.
inline std::int64_t mont_pow2_lazy(const arith_state_t& m, unsigned top) {
  QUORVEL_ASSERT(top < 64);
  return mont_redc_lazy(m, static_cast<i128>(static_cast<u128>(m.mont_r2) << top));
}

/// 2^e mod p for any 64-bit e (e = 0 gives 1). Left to right: the top six
/// bits of e form the starting power directly; then per bit a lazy
/// Montgomery square and a doubling by shift when the bit is set (a square
/// lies in (-p, p), so the doubled value is lazy and needs no reduction).
inline std::uint64_t pow2mod(const arith_state_t& m, std::uint64_t e) {
  if (e == 0) return 1;
  int bit = 63 - __builtin_clzll(e);
  const int take = bit < 5 ? bit + 1 : 6;
  bit -= take;
  std::int64_t x = mont_pow2_lazy(m, static_cast<unsigned>(e >> (bit + 1)));
  for (; bit >= 0; --bit) {
    x = mont_mul_lazy(m, x, x);
    x *= std::int64_t{1} << ((e >> bit) & 1);
  }
  return from_mont_lazy(m, x);
}

/// b^e mod p for any 64-bit b (reduced as part of the conversion, so even
/// e = 1 returns b mod p) and any 64-bit e; e = 0 gives 1, and 0^e = 0 for
/// e > 0. Right to left: the chain of squares and the chain of products are
/// independent, so their multiplies overlap; each product multiplies by the
/// square or by one, chosen without a branch, so random exponent bits cost
/// no mispredictions.
inline std::uint64_t powmod_sse2(const arith_state_t& m, std::uint64_t b, std::uint64_t e) {
  if (e == 0) return 1;
  std::int64_t r = to_mont_lazy(m, b);
  for (int i = __builtin_ctzll(e); i > 0; --i) r = mont_mul_lazy(m, r, r);
  e >>= __builtin_ctzll(e);
  std::int64_t acc = r;
  const std::int64_t one = static_cast<std::int64_t>(m.mont_one);
  for (e >>= 1; e != 0; e >>= 1) {
    r = mont_mul_lazy(m, r, r);
    const std::int64_t take = -static_cast<std::int64_t>(e & 1);
    acc = mont_mul_lazy(m, acc, (r & take) | (one & ~take));
  }
  return from_mont_lazy(m, acc);
}

}  // namespace quorvel
