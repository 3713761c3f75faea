// The periods akpower of the k table, grouped: each k's index among the
// distinct periods, and for a divisor g of kpowerlcm the values gcd(P, g)
// that the power test of a prime with gcd(B, kpowerlcm) = g uses. Both
// depend only on the k table, so a prime looks them up instead of computing
// a gcd per k.
#pragma once

#include <array>
#include <cstdint>

#include "quorvel/common.hpp"

namespace quorvel {

/// The distinct values of gcd(akpower[i], g) over the k of the table.
struct period_split_t {
  std::uint32_t count = 0;
  std::array<std::uint32_t, max_k> value{};
  /// Per k index: the index of gcd(akpower[i], g) in value.
  std::array<std::uint8_t, max_k> of_k{};
};

/// Per k index: the index of akpower[i] among the distinct periods.
extern std::array<std::uint8_t, max_k> period_index;

/// Rebuilds the grouping from the k table, the split of every divisor of
/// kpowerlcm included; every change of the table must be followed by a call.
void build_period_classes();

/// The split of the periods by g, a divisor of kpowerlcm (read-only).
const period_split_t& period_split(std::uint32_t g);

}  // namespace quorvel
