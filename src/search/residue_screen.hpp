// The quadratic-residue screen of a k (alegk = L != 0): (t/k) for t = p mod k
// comes from the k's Jacobi bitmap; reciprocity turns it into (k/p), the sign
// sigma (-1 Proth, +1 Riesel) and, when 2 is a non-residue (p = 3, 5 mod 8),
// the parity of the k's n decide whether L is a residue modulo p. A prime can
// divide a candidate of the k only if it is.
//
// The bitmaps of large k together exceed the caches, so the search reads the
// bitmap bytes of a whole block first (residue_screen_t, residue_screen_byte)
// and decides afterwards.
#pragma once

#include <array>
#include <cstdint>

#include "arith/divisor.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"

namespace quorvel {

/// 1/k as a double, and the exact division by k, for every screened k (set
/// up with the bitmaps).
extern std::array<double, max_k> ak_reciprocal;
extern std::array<divisor_t, max_k> ak_divisor;

/// Below this p the double quotient estimate of mod_small_k holds.
inline constexpr std::uint64_t mod_small_k_limit = std::uint64_t{1} << 50;

/// p mod k for p < 2^50 and a screened k: p is exact as a double and the
/// estimate p * fl(1/k), two roundings of relative error 2^-53 each, is
/// within p/k * 2^-52 < 1/4 of p/k, so its truncation is the true quotient
/// or one off, and one correction by k finishes.
inline std::uint64_t mod_small_k(std::uint64_t p, std::uint32_t k, double recip) {
  const std::uint64_t q = static_cast<std::uint64_t>(static_cast<double>(p) * recip);
  std::int64_t t = static_cast<std::int64_t>(p - q * k);
  if (t < 0)
    t += k;
  else if (t >= static_cast<std::int64_t>(k))
    t -= k;
  return static_cast<std::uint64_t>(t);
}

/// The position the screen of k index i reads for p: t = p mod k (0 without
/// a screen); above 2^50 by the exact division.
inline std::uint64_t residue_screen_t(std::uint64_t p, std::uint32_t i) {
  if (alegk[i] == 0) return 0;
  if (p >= mod_small_k_limit) [[unlikely]]
    return ak_divisor[i].mod(p);
  return mod_small_k(p, static_cast<std::uint32_t>(ak[i]), ak_reciprocal[i]);
}

/// The bitmap byte holding bit t of k index i's Jacobi bitmap.
inline std::uint8_t residue_screen_byte(std::uint32_t i, std::uint64_t t) {
  return alegk[i] == 0 ? 0 : akjacobi[i][t / 8];
}

/// Whether k index i passes the screen for p, given t = p mod k and the
/// bitmap byte holding bit t. Computed without branches: which k pass
/// follows no pattern a predictor could learn.
inline bool passes_residue_screen(std::uint64_t p, std::uint32_t i, std::uint64_t t,
                                  std::uint8_t byte) {
  const std::int32_t legk = alegk[i];
  const std::uint32_t k = static_cast<std::uint32_t>(ak[i]);
  const bool proth = mode == mode_proth;
  const std::uint32_t p8 = static_cast<std::uint32_t>(p % 8);
  const std::uint32_t e = ((k - 1) * (p8 - 1) / 4) & 1;
  std::uint32_t x = ((byte >> (t % 8)) & 1) ^ e ^ static_cast<std::uint32_t>(proth && p % 4 == 3);
  // When 2 is a non-residue (p = 3, 5 mod 8), (2/p)^n = (sigma k/p) needs
  // the parity of the k's n to match x, and L = 2 sigma k flips x.
  const bool two_nonresidue = p8 == 3 || p8 == 5;
  const bool parity_fails = two_nonresidue & (akpower[i] % 2 == 0) & ((akequiv[i] & 1) == x);
  const std::int32_t sigma_k = proth ? -ak[i] : ak[i];
  x ^= static_cast<std::uint32_t>(two_nonresidue & (legk != sigma_k));
  return (legk == 0) | (!parity_fails & (x == 1));
}

}  // namespace quorvel
