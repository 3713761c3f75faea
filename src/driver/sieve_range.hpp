// The prime loop of one range: every prime of the range, in increasing
// order, made the modulus of the arithmetic and handed to the mode's
// per-prime routine, with a progress save every -i distance in p.
#pragma once

#include <cstdint>
#include <ostream>

namespace quorvel {

/// Sieves pmin < p <= pmax (pmin even) and returns the first prime above
/// pmax. Clears and runs the range timer and the window timer, starts the
/// prime stream at pmin and counts the primes in stat_testedp.
std::uint64_t sieve_range(std::uint64_t pmin, std::uint64_t pmax, std::uint64_t interval,
                          unsigned threads, std::ostream& out);

}  // namespace quorvel
