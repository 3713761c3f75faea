// The trial primes of the candidate-file generator: all odd primes up to a
// bound below 2^32, produced segment by segment so that memory stays small
// for any bound, and the primes up to 2^16 that factor every p-1.
#pragma once

#include <cstdint>
#include <vector>

namespace quorvel {

/// Every prime p <= limit in increasing order (a plain sieve; limit < 2^32,
/// used for small limits only).
std::vector<std::uint32_t> primes_up_to(std::uint32_t limit);

/// Replaces `out` by the odd primes p with lo <= p <= hi, in increasing order.
/// `base` must hold every prime up to sqrt(hi) (primes_up_to(65535) always
/// does); hi - lo is meant to be a few hundred thousand.
void odd_primes_in(std::uint32_t lo, std::uint32_t hi, const std::vector<std::uint32_t>& base,
                   std::vector<std::uint32_t>& out);

}  // namespace quorvel
