// The giant-step table shared by all k of one prime: the values -2^(-e)
// (Proth) or 2^(-e) (Riesel) modulo p for e = first, first + G, ... up to
// nhigh, stored under the tags J = e/G + 1. A k whose baby step k*2^m matches
// the value of tag J satisfies k*2^(m + (J-1)G) = -1 (or +1), so n = (J-1)G + m.
#pragma once

#include <cstdint>

#include "search/hash_table.hpp"

namespace quorvel {

/// The exponents the table covers for stride G.
struct giant_range_t {
  std::uint64_t first_e;    ///< the first exponent, a multiple of G
  std::uint64_t first_tag;  ///< its tag, first_e / G + 1
  std::uint64_t count;      ///< number of entries (0 when first_e > nhigh)
};

/// From 0 when nlow <= 500000, otherwise from the multiple of G at or below
/// nlow; up to the last multiple of G not above nhigh.
giant_range_t giant_range(std::uint64_t g);

/// Clears `t` and fills it with the giant steps of stride g for prime p.
/// Needs set_prime_modulus(p).
void build_giant_table(hash_table_t& t, std::uint64_t p, std::uint64_t g, const giant_range_t& r);

}  // namespace quorvel
