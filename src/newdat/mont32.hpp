// Montgomery arithmetic modulo an odd p < 2^32 with R = 2^32, for the
// candidate-file generator, whose trial primes all fit in 32 bits.
//
// A residue a is held as a*R mod p. The product of two such forms is reduced
// by subtracting high words: with m = lo(T) * p^-1 mod 2^32 the low words of
// T and m*p agree, so (T - m*p) / 2^32 = hi(T) - hi(m*p), which lies in
// (-p, p) and needs one conditional addition of p. Nothing overflows for any
// odd p below 2^32 (the sum form T + m*p would for p >= 2^31).
#pragma once

#include <cstdint>

namespace quorvel {

struct mont32_t {
  std::uint32_t p = 0;     ///< the odd modulus
  std::uint32_t pinv = 0;  ///< p^-1 mod 2^32
  std::uint32_t one = 0;   ///< R mod p (the form of 1)
  std::uint32_t r2 = 0;    ///< R^2 mod p (converts a residue into its form)
};

/// The constants of modulus p (odd, 3 <= p < 2^32).
inline mont32_t make_mont32(std::uint32_t p) {
  mont32_t m;
  m.p = p;
  std::uint32_t x = p;                          // p*p == 1 mod 8: three correct bits to start
  for (int i = 0; i < 4; ++i) x *= 2u - p * x;  // each step doubles them
  m.pinv = x;
  const std::uint64_t r1 = (std::uint64_t{1} << 32) % p;
  m.one = static_cast<std::uint32_t>(r1);
  m.r2 = static_cast<std::uint32_t>(r1 * r1 % p);
  return m;
}

/// T / R mod p for T < p * 2^32.
inline std::uint32_t mont32_redc(const mont32_t& m, std::uint64_t t) {
  const std::uint32_t q = static_cast<std::uint32_t>(t) * m.pinv;
  const std::uint32_t t_hi = static_cast<std::uint32_t>(t >> 32);
  const std::uint32_t qp_hi =
      static_cast<std::uint32_t>((static_cast<std::uint64_t>(q) * m.p) >> 32);
  const std::uint32_t r = t_hi - qp_hi;
  return t_hi < qp_hi ? r + m.p : r;
}

/// Product of two forms (each below p).
inline std::uint32_t mont32_mul(const mont32_t& m, std::uint32_t a, std::uint32_t b) {
  return mont32_redc(m, static_cast<std::uint64_t>(a) * b);
}

/// Form of the residue a (any 32-bit value; it is reduced on the way).
inline std::uint32_t mont32_to(const mont32_t& m, std::uint32_t a) {
  return mont32_mul(m, a % m.p, m.r2);
}

/// Plain residue of a form.
inline std::uint32_t mont32_from(const mont32_t& m, std::uint32_t a) { return mont32_redc(m, a); }

/// Form of -a for a form a.
inline std::uint32_t mont32_neg(const mont32_t& m, std::uint32_t a) { return a == 0 ? 0 : m.p - a; }

/// a^e for a form a; the result is a form.
inline std::uint32_t mont32_pow(const mont32_t& m, std::uint32_t a, std::uint64_t e) {
  std::uint32_t r = m.one;
  while (e != 0) {
    if (e & 1) r = mont32_mul(m, r, a);
    a = mont32_mul(m, a, a);
    e >>= 1;
  }
  return r;
}

}  // namespace quorvel
