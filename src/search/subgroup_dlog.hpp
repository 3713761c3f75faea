// Discrete logarithms in a subgroup of smooth order, by Pohlig-Hellman: for
// each prime power f^e of the order, the log of y_f = x^(order/f^e) to the
// base g_f (of order f^e) is found, and the parts are joined by the Chinese
// remainder theorem. A small f^e is scanned outright; otherwise the log goes
// digit by digit, each digit a logarithm in the subgroup of order f (a scan
// for small f, baby-step giant-step for larger f). The tables of one prime
// are built once and serve every element looked up for it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "arith/divisor.hpp"
#include "quorvel/arith_state.hpp"
#include "search/hash_table.hpp"

namespace quorvel {

struct dlog_part_t {
  std::uint64_t f;      ///< the prime
  std::uint32_t e;      ///< its exponent in the order
  std::uint64_t fe;     ///< f^e
  std::uint64_t g;      ///< the generator of the part, of order f^e
  std::uint64_t gamma;  ///< g^(f^(e-1)), of order f
  std::uint64_t m;      ///< baby steps of a prime-order search (0: scan)
  std::uint64_t giant;  ///< gamma^(-m) for the giant steps
  /// giant^1 .. giant^8 and Shoup's quotient of giant^8: eight giant steps
  /// start side by side, then each advances by giant^8.
  std::array<std::uint64_t, 8> giant_pow;
  std::uint64_t giant8_quot;
  /// The product of the earlier parts' orders, and its inverse modulo fe,
  /// for the Chinese remainder join (the same for every element).
  std::uint64_t below, below_inv;
  divisor_t fe_div;                   ///< division by fe
  std::vector<std::uint64_t> powers;  ///< the scanned powers (of g or gamma)
  hash_table_t table;                 ///< index of the powers (scanned ones or baby steps)
};

struct subgroup_dlog_t {
  arith_state_t mod{};  ///< the modulus state of the prime
  std::uint64_t order = 1;
  std::uint32_t nparts = 0;
  std::array<dlog_part_t, 16> parts;
};

/// Part sizes: a prime power up to this is scanned whole; a prime up to this
/// is scanned digit by digit; a larger prime gets baby-step giant-step.
constexpr std::uint64_t dlog_scan_whole = 64;
constexpr std::uint64_t dlog_scan_prime = 48;

/// The baby-step count for a prime f searched for about `lookups` elements.
std::uint64_t dlog_baby_steps(std::uint64_t f, std::uint64_t lookups);

/// Builds the tables of the parts; d.parts[i] must hold f, e, fe, g, gamma
/// and, for a baby-step part (fe > dlog_scan_whole and f > dlog_scan_prime),
/// m and giant, and d.mod the modulus state of the prime.
void dlog_prepare(subgroup_dlog_t& d);

/// n (0 <= n < order) with g^n = x, given y[i] = x^(order / fe_i) for every
/// part; false when x is not in the subgroup.
bool dlog_solve(const subgroup_dlog_t& d, const std::uint64_t* y, std::uint64_t& n);

}  // namespace quorvel
