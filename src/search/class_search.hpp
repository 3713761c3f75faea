// The baby-step giant-step engine behind both searches of one prime.
//
// A walk asks for every u in [u_lo, u_hi) with u = 0 (mod modulus) and
// k*2^(start + u) = -1 (Proth) or +1 (Riesel) modulo p. All walks of a prime
// share one table of giant steps -+2^-(e0 + jS), j = 0, 1, ..., whose stride S
// is a multiple of every modulus; each walk then takes the baby steps
// k*2^(start + t), t = 0, modulus, ... below S, and a match with entry j means
// u = e0 + jS + t. S is chosen to balance the table against the walks, so the
// work per prime is near its minimum whatever the number of walks.
//
// The solutions of a walk are reported in the order of a search with the
// stride g_order: by u mod g_order, then by u / g_order.
#pragma once

#include <cstdint>
#include <vector>

namespace quorvel {

struct class_walk_t {
  std::uint32_t kindex;
  std::uint64_t start;    ///< n = start + u
  std::uint64_t modulus;  ///< u = 0 (mod modulus), modulus >= 1
  std::uint64_t xmod;     ///< passed to the factor report
};

/// Searches every walk over [u_lo, u_hi) and reports each factor found.
/// `lcm` is a common multiple of every modulus. Needs set_prime_modulus(p).
void search_classes(std::uint64_t p, const std::vector<class_walk_t>& walks, std::uint64_t lcm,
                    std::uint64_t u_lo, std::uint64_t u_hi, std::uint64_t g_order);

}  // namespace quorvel
