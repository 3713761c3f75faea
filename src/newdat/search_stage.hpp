// The generator's second stage: above 10^6 the primes are left to the
// program's own Proth/Riesel factor search, which handles the candidates
// that remain rather than every n of the range and is some hundred times
// faster there than sieving prime by prime.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "newdat/candidate_gen.hpp"

namespace quorvel {

/// The generator sieves the primes up to this bound itself; the search
/// takes the primes above it.
inline constexpr std::uint32_t search_stage_from = 1000000;

/// Strikes from `lists` (the n of nmin..nmax of each k of `ks`, as the
/// generator left them) every n whose number has a prime factor p with
/// from < p <= bound other than the number itself. The search runs with
/// `threads` threads in a scratch directory that is removed afterwards.
/// Returns "" or the error line (the lists are then unchanged).
/// Needs: from even, from < bound.
std::string strike_with_search(int form, const std::vector<std::int32_t>& ks, std::uint32_t nmin,
                               std::uint32_t nmax, std::uint64_t from, std::uint64_t bound,
                               unsigned threads, candidate_lists_t& lists);

}  // namespace quorvel
