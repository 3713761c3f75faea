// Exact unsigned integers of any width, for the least common multiple of
// the periods of every k: with a few k of one n each that lcm easily passes
// 64 bits, and the analysis lines print it in full. Only what the lcm and
// its printing need is here: multiply by and remainder by a 32-bit number,
// comparison with a 64-bit bound and decimal conversion. Limbs are base
// 2^32, least significant first, without leading zero limbs (zero has none).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {

struct wide_uint {
  std::vector<std::uint32_t> limbs;
};

/// The wide value of v.
wide_uint wide_from(std::uint64_t v);

/// w * f, in place.
void wide_mul(wide_uint& w, std::uint32_t f);

/// w mod d for d > 0.
std::uint32_t wide_mod(const wide_uint& w, std::uint32_t d);

/// w = lcm(w, v) for w, v > 0.
void wide_lcm(wide_uint& w, std::uint32_t v);

/// Whether w <= bound.
bool wide_at_most(const wide_uint& w, std::uint64_t bound);

/// The low 64 bits of w (its value when wide_at_most(w, 2^64 - 1)).
std::uint64_t wide_low64(const wide_uint& w);

/// Plain decimal digits of w ("0" for zero).
std::string wide_to_string(const wide_uint& w);

}  // namespace quorvel
