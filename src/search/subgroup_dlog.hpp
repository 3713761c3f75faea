// Discrete logarithms in a subgroup of smooth order, by Pohlig-Hellman:
// the log modulo each prime power f^e of the order is found digit by digit,
// each digit a logarithm in the subgroup of prime order f (a scan of the f
// powers for small f, baby-step giant-step for larger f), and the parts are
// joined by the Chinese remainder theorem. The tables of one generator are
// built once and serve every element looked up for the same prime; the
// elements are handled together, so their powers are computed side by side.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "search/hash_table.hpp"

namespace quorvel {

struct dlog_part_t {
  std::uint64_t f;         ///< the prime
  std::uint32_t e;         ///< its exponent in the order
  std::uint64_t fe;        ///< f^e
  std::uint64_t g;         ///< generator^(order / f^e), of order f^e
  std::uint64_t gamma;     ///< g^(f^(e-1)), of order f
  std::uint64_t m;         ///< baby steps of the prime-order search (0: scan)
  std::uint64_t giant;     ///< gamma^(-m)
  std::vector<std::uint64_t> powers;  ///< gamma^j for the scan
  hash_table_t table;      ///< gamma^j -> j + 1 for the baby steps
};

struct subgroup_dlog_t {
  std::uint64_t order = 1;
  std::uint32_t nparts = 0;
  std::array<dlog_part_t, 16> parts;
};

/// Prepares logarithms to the base h, whose order is `order` = prod f^e over
/// the given (prime, exponent) pairs, primes ascending. Needs
/// set_prime_modulus(p).
void dlog_prepare(subgroup_dlog_t& d, std::uint64_t h, std::uint64_t order,
                  const std::pair<std::uint64_t, std::uint32_t>* factors, std::uint32_t nfactors);

/// For each i < count: n[i] (0 <= n < order) with h^n[i] = x[i], and ok[i]
/// true; ok[i] false when x[i] is not a power of h.
void dlog_find(subgroup_dlog_t& d, const std::uint64_t* x, std::uint64_t* n, bool* ok,
               std::uint32_t count);

}  // namespace quorvel
