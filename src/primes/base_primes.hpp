// Internal facts about the base-prime table that the window sieve needs:
// a counter that changes whenever the table is rebuilt, and its last prime.
// A walker over the gaps gives the primes in order without a second table.
#pragma once

#include <cstdint>

#include "primes/prime_stream.hpp"

namespace quorvel::primes_detail {

/// Increased by every eratosthenes_base call; sieving state built from an
/// older table is thrown away.
extern std::uint32_t base_generation;
/// Largest prime of the base table (0 while the table is empty).
extern std::uint64_t last_base_prime;

/// Position in the base table: `value` is the prime at entry `index`.
struct base_cursor {
  std::uint32_t index = 0;
  std::uint64_t value = 2;

  /// Moves to the next prime; the caller checks index + 1 < nprimes.
  void advance() {
    ++index;
    value += aallprimes[index];
  }
};

}  // namespace quorvel::primes_detail
