// Process-wide values shared between the driver and the per-prime routines:
// the log2 size of the search hash table and the statistics counters.
#pragma once

#include <cstdint>

namespace quorvel {

/// log2 of the number of slots of the search hash table (defined in src/search).
extern std::uint32_t hash_bits;

/// Statistics of the current range (defined in src/driver; reset per range).
extern std::uint64_t stat_testedp;   ///< primes handed to the per-prime routine
extern std::uint64_t stat_whackedk;  ///< (prime, k) pairs dropped by the filters
extern std::uint64_t stat_whackedp;  ///< primes for which every k was dropped

}  // namespace quorvel
