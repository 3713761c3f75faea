// The order-of-2 computation with its inputs passed in, for the search and
// the tests (order_2_bound in search.hpp reads the prime stream's record).
#pragma once

#include <cstdint>
#include <span>

#include "search/prime_state.hpp"

namespace quorvel {

/// A multiple B of the order of 2 modulo p that divides p-1, given the primes
/// 31 <= q <= Q dividing p-1 (ascending). Fills st.pfactors (the prime
/// factors found, with the copies kept in the order) and the chunk list
/// st.ao2bfactors / st.o2bfactors. Needs set_prime_modulus(p).
std::uint64_t order_2_bound_with(std::uint64_t p, std::span<const std::uint32_t> sieve_primes,
                                 prime_state_t& st);

}  // namespace quorvel
