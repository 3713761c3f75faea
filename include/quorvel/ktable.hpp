// The k table of Proth and Riesel mode: process-wide parallel arrays indexed
// by the k index 0 .. num_k-1 (the order of the candidate file). Defined in
// src/db/ktable.cpp. The candidate reader fills the first group, the search
// set-up the second, the per-prime search the third.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "quorvel/common.hpp"

namespace quorvel {

// --- filled by read_db (src/db) ---
/// Number of k in use (0 in the modes without a candidate file).
extern std::uint32_t num_k;
/// n range of the sieve from the candidate file header (0 and 20,000,000 before).
extern std::uint32_t nlow, nhigh;
/// The k values, positive and below 2^31.
extern std::array<std::int32_t, max_k> ak;
/// The n list of each k: strictly ascending exponents still in play (may be
/// empty: such a k has no classes, aknres 0, and nothing to search).
extern std::array<std::vector<std::uint32_t>, max_k> aunfacset;
/// Period P >= 1 of the k's n values: every n == akequiv (mod P), 0 <= akequiv
/// < P. The common difference of the n, or a divisor of it when the lcm of
/// those differences would pass 20,000 (see src/db/residue_analysis.hpp).
extern std::array<std::uint32_t, max_k> akpower;
extern std::array<std::uint32_t, max_k> akequiv;
/// Quadratic-residue screen value of k (0: no screen).
extern std::array<std::int32_t, max_k> alegk;
/// lcm of all akpower; at most 20,000.
extern std::uint32_t kpowerlcm;
/// Per-k modulus M (a multiple of akpower) and its at most 10 residue classes
/// (row j is akares[10j .. 10j+aknres[j]-1], ascending; every n mod M is one).
extern std::array<std::uint32_t, max_k> akmod;
extern std::array<std::uint32_t, max_k * 10> akares;
extern std::array<std::uint32_t, max_k> aknres;
/// lcm of kpowerlcm and every akmod; at most 20,000.
extern std::uint32_t kmodlcm;
/// Giant-step width of the search, a multiple of kmodlcm.
extern std::uint32_t regular_grange;

// --- filled by initialize_proth_riesel (src/search) ---
/// Bitmap of Jacobi symbols (m/k) = +1 for 1 <= m < k, or empty for large k.
extern std::array<std::vector<std::uint8_t>, max_k> akjacobi;
/// True when the candidate set is exactly the built-in standard set (Proth).
extern bool standard_kpowers;
/// k*2^akequiv in the factored form (c, d) when standard_kpowers is set.
extern std::array<std::array<std::uint64_t, 2>, max_k> ak2powa;

}  // namespace quorvel
