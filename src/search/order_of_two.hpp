// The order of 2 modulo p, as far as p-1 is factored, and its chunk list:
// for one prime with its inputs passed in (the tests and near-Mersenne mode),
// and for a block of primes side by side (the search).
#pragma once

#include <cstdint>
#include <span>

#include "search/prime_job.hpp"

namespace quorvel {

struct search_context_t;

/// A multiple B of the order of 2 modulo p that divides p-1, given the primes
/// 31 <= q <= Q dividing p-1 (ascending). Fills st.pfactors (the prime
/// factors found, with the copies kept in the order), st.b and the chunk list
/// st.ao2bfactors / st.o2bfactors, with the scratch space of ctx.
std::uint64_t order_2_bound_with(std::uint64_t p, std::span<const std::uint32_t> sieve_primes,
                                 prime_state_t& st, search_context_t& ctx);

/// The same for every prime of a block (each record set up by reset()).
void order_2_bound_block(prime_block_t& block, search_context_t& ctx);

}  // namespace quorvel
