// The residue analysis of the n lists: from a period P per k (every n of the
// k is congruent modulo P), the least common multiple of the periods, a
// modulus M = m*P per k under which its n fall into at most 10 classes, the
// lcm of everything and the giant-step width of the search.
//
// read_db runs it on the periods the n lists show (printing the analysis at
// -vv). When their lcm passes max_period_lcm (typically because a k with a
// single n has that n as its period) those numbers are only printed; the
// search gets the tables of a second, silent run on effective periods: per
// k, in file order, the largest divisor of its period that keeps the running
// lcm within max_period_lcm. Every n still lies in its class modulo such a
// divisor, so the search stays exact, and every lcm stays within the bound.
#pragma once

#include <array>
#include <cstdint>

#include "db/wide_uint.hpp"
#include "quorvel/common.hpp"

namespace quorvel {

/// Bound on the lcm of the moduli the search steps through.
inline constexpr std::uint32_t max_period_lcm = 20000;

/// Largest multiplier m tried for the modulus M = m*P of a k.
inline constexpr std::uint32_t max_multiplier = 49;

/// Most residue classes a k may have modulo its M.
inline constexpr std::uint32_t max_classes = 10;

/// A period P >= 1 per k index.
using period_table = std::array<std::uint32_t, max_k>;

/// What the analysis derives; the lcms are exact however large.
struct residue_tables {
  wide_uint kpowerlcm, kmodlcm, regular_grange;
  std::array<std::uint32_t, max_k> akmod{};
  std::array<std::uint32_t, max_k> aknres{};
  std::array<std::uint32_t, max_k * max_classes> akares{};
};

/// Analyses the n lists of k indices 0 .. num_k-1 (read from ak, aunfacset,
/// nlow, nhigh) with the given periods, each of which must divide the
/// difference of any two n of its k. Prints the choice of moduli, the
/// classes and the lcms when `print` is set.
residue_tables analyse_residues(const period_table& power, bool print);

/// Per k in order, the largest divisor of power[j] that keeps the lcm of the
/// chosen divisors within max_period_lcm.
period_table effective_periods(const period_table& power);

}  // namespace quorvel
