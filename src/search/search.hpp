// Proth and Riesel factor search: set-up once per run, then one call of
// test_idea per prime.
#pragma once

#include <cstdint>

namespace quorvel {

/// Completes the k table for the search and sizes the search tables from the
/// candidate file; false (after a one-line message) when it cannot.
bool initialize_proth_riesel();

/// The per-prime routine of Proth and Riesel mode.
void test_idea(std::uint64_t p);

/// A multiple of the order of 2 modulo p that divides p-1; also leaves the
/// chunk list of the order for the Silver-Pohlig-Hellman search. Needs the
/// arithmetic state of p and the prime stream's p-1 record of p.
std::uint64_t order_2_bound(std::uint64_t p);

}  // namespace quorvel
