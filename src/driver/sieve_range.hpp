// The prime loop of one range: every prime of the range, in increasing
// order, made the modulus of the arithmetic and handed to the mode's
// per-prime routine, with a progress save every -i distance in p.
#pragma once

#include <cstdint>

#include "driver/progress_tracker.hpp"

namespace quorvel {

/// Sieves pmin < p <= pmax (pmin even) and returns the first prime above
/// pmax. Clears and runs the range timer and the window timer, starts the
/// prime stream at pmin and counts the primes in stat_testedp. Every -i
/// distance in p the tracker saves the progress; when it stops the range,
/// sieving ends at that save (the tracker knows where).
std::uint64_t sieve_range(std::uint64_t pmin, std::uint64_t pmax, std::uint64_t interval,
                          unsigned threads, progress_tracker& progress);

}  // namespace quorvel
