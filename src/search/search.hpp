// Proth and Riesel factor search: set-up once per run, then one call of
// test_idea per prime.
#pragma once

#include <array>
#include <cstdint>

#include "quorvel/common.hpp"

namespace quorvel {

/// Completes the k table for the search (Jacobi bitmaps, screen switch-offs,
/// the standard-set shortcut); false (after a one-line message) when it
/// cannot.
bool initialize_proth_riesel();

/// The per-prime routine of Proth and Riesel mode: filters the k, then
/// searches the rest and reports every factor found. Needs
/// set_prime_modulus(p) and the prime stream positioned at p.
void test_idea(std::uint64_t p);

/// A multiple of the order of 2 modulo p that divides p-1; also leaves the
/// chunk list of the order for the Silver-Pohlig-Hellman search. Needs the
/// arithmetic state of p and the prime stream's p-1 record of p.
std::uint64_t order_2_bound(std::uint64_t p);

/// Plain baby-step giant-step search of every masked k over its residue
/// classes.
void check_factors(std::uint64_t p);

/// Narrows each masked k to one class of n with the chunks of the order
/// (b from order_2_bound) and searches it; false when the usable part of the
/// order is too small (the caller then runs check_factors).
bool sph_idea(std::uint64_t p, std::uint64_t b);

/// Searches, for each masked k, the n = res[i] (mod step[i]) with a giant
/// stride derived from x, a common multiple of every step[i].
void check_factors_sph(std::uint64_t p, std::uint64_t x, const std::array<std::uint64_t, max_k>& res,
                       const std::array<std::uint64_t, max_k>& step);

}  // namespace quorvel
