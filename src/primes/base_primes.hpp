// Internal facts about the base-prime table that the window sieve needs:
// a counter that changes whenever the table is rebuilt, and its last prime.
// A walker over the gaps gives the primes in order without a second table.
#pragma once

#include <cstdint>

#include "primes/prime_stream.hpp"
#include "quorvel/macros.hpp"

namespace quorvel::primes_detail {

/// Increased by every eratosthenes_base call; sieving state built from an
/// older table is thrown away.
extern std::uint32_t base_generation;
/// Largest prime of the base table (0 while the table is empty).
extern std::uint64_t last_base_prime;
/// The bound the table holds every prime up to.
extern std::uint32_t base_reach;

/// The bound a full table is extended to (2^26 + 2^16) by the first window
/// whose top lies above the square of its last prime: the windows up to the
/// square of the last prime below it (about 2^52 + 8.8e12) are decided by
/// the sieve alone.
inline constexpr std::uint32_t base_prime_cap = 67174400;

/// Appends the primes up to `limit` to a table built with the full bound
/// (base_prime_bound); a smaller table, or a smaller limit, is left as it
/// is. Increases base_generation when it extends the table.
void extend_base_primes(std::uint32_t limit);

/// Position in the base table: `value` is the prime at entry `index`.
struct base_cursor {
  std::uint32_t index = 0;
  std::uint64_t value = 2;

  /// Moves to the next prime; the caller checks index + 1 < nprimes.
  void advance() {
    QUORVEL_ASSERT(index + 1 < nprimes);
    ++index;
    value += aallprimes[index];
  }
};

}  // namespace quorvel::primes_detail
