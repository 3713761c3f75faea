// What the Silver-Pohlig-Hellman narrowing of one worker keeps from prime to
// prime: the joins of Pm with each period, cached by residue for the short
// periods, and the divisors of the periods.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "arith/divisor.hpp"
#include "quorvel/common.hpp"

namespace quorvel {

/// What joining a class modulo Pm with a k's class modulo its period needs;
/// the same for every k of that period.
struct join_t {
  std::uint64_t power = 0;  ///< akpower
  std::uint64_t g = 1;      ///< gcd(Pm, power)
  std::uint64_t pg = 1;     ///< power / g
  std::uint64_t inv = 0;    ///< (Pm/g)^-1 modulo pg
  std::uint64_t step = 1;   ///< lcm(Pm, power)
  divisor_t by_power, by_g, by_pg;
};

struct sph_scratch_t {
  /// The divisor_t of d at index d, for the divisors of the periods (at most
  /// 20,000), each built on first use.
  std::vector<divisor_t> divisors;
  /// Per period class, the joins by residue of Pm for periods up to 256
  /// (their residues recur from prime to prime).
  std::array<std::vector<join_t>, max_k> join_cache;
  /// The join of each period class for the prime numbered joined_for[c].
  std::array<join_t, max_k> joins;
  std::array<std::uint64_t, max_k> joined_for{};
  std::uint64_t prime_serial = 0;
};

}  // namespace quorvel
