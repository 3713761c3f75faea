// Discrete logarithms in a subgroup of smooth order, by Pohlig-Hellman:
// the log modulo each prime power f^e of the order is found digit by digit,
// each digit a logarithm in the subgroup of prime order f (a scan of the f
// powers for small f, baby-step giant-step for larger f), and the parts are
// joined by the Chinese remainder theorem. The tables of one generator are
// built once and serve every element looked up for the same prime.
#pragma once

#include <cstdint>
#include <vector>

#include "search/hash_table.hpp"

namespace quorvel {

struct dlog_part_t {
  std::uint64_t f;       ///< the prime
  std::uint32_t e;       ///< its exponent in the order
  std::uint64_t fe;      ///< f^e
  std::uint64_t cofactor;  ///< order / f^e
  std::uint64_t g;       ///< generator^(order / f^e), of order f^e
  std::uint64_t gamma;   ///< g^(f^(e-1)), of order f
  std::uint64_t m;       ///< baby steps of the prime-order search (0: scan)
  std::uint64_t giant;   ///< gamma^(-m)
  std::vector<std::uint64_t> powers;  ///< gamma^j, j < min(f, m)
  hash_table_t table;    ///< gamma^j -> j + 1 when m != 0
};

struct subgroup_dlog_t {
  std::uint64_t order = 1;
  std::vector<dlog_part_t> parts;
};

/// Prepares logarithms to the base h, whose order is `order` = prod f^e over
/// the given primes (ascending, each with its exponent). Needs
/// set_prime_modulus(p).
void dlog_prepare(subgroup_dlog_t& d, std::uint64_t h, std::uint64_t order,
                  const std::vector<std::pair<std::uint64_t, std::uint32_t>>& factors);

/// Writes n (0 <= n < order) with h^n = x and returns true; false when x is
/// not a power of h.
bool dlog_find(subgroup_dlog_t& d, std::uint64_t x, std::uint64_t& n);

}  // namespace quorvel
