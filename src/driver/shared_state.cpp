// Values shared by the driver and the per-prime routines: the logical size
// of the search hash table and the statistics counters of the current range.
#include "quorvel/search_state.hpp"

namespace quorvel {

std::uint32_t hash_bits = 13;
std::uint64_t stat_testedp = 0;
std::uint64_t stat_whackedk = 0;
std::uint64_t stat_whackedp = 0;

}  // namespace quorvel
