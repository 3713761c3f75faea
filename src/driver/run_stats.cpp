// The statistics counters of the current range; the driver resets them.
#include "quorvel/search_state.hpp"

namespace quorvel {

std::uint64_t stat_testedp = 0;
std::uint64_t stat_whackedk = 0;
std::uint64_t stat_whackedp = 0;

}  // namespace quorvel
