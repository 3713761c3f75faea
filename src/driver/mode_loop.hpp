// The prime loop of the k-range, k-range twin and near-Mersenne modes.
//
// Blocks of primes are searched as a whole (their powers computed side by
// side), on worker threads when there are several; the blocks' results are
// then applied in p order on the calling thread, prime by prime, each prime
// followed by its progress save, exactly as if the primes had been handled
// one at a time. Where a prime makes few eliminations (p far above the
// range of k, or of a, and its exponents), a block is a whole interval of p
// whose primes the worker sieves itself, so that the prime sieve runs on
// every thread too; below that the one prime stream hands out the blocks.
#pragma once

#include <cstdint>

#include "driver/progress_tracker.hpp"
#include "nearmersenne/nm_search.hpp"

namespace quorvel {

/// The primes pmin < p <= pmax of a k-range (twin: k-range twin) run whose
/// prime stream starts at pmin; returns the first prime above pmax. Counts
/// the primes in stat_testedp.
std::uint64_t krange_range_loop(bool twin, std::uint64_t pmin, std::uint64_t pmax,
                                std::uint64_t interval, unsigned threads,
                                progress_tracker& progress);

/// The same for the near-Mersenne mode; `trying` is the run's count of the
/// "trying p: " lines, carried from range to range.
std::uint64_t nm_range_loop(nm_progress_t& trying, std::uint64_t pmin, std::uint64_t pmax,
                            std::uint64_t interval, unsigned threads, progress_tracker& progress);

}  // namespace quorvel
