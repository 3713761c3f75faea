// Plain baby-step giant-step search of one prime over every k still masked
// in, walking each k's residue classes a (mod M = akmod). The n tested are
// those of the stride G = regular_grange: every n = a (mod M) from the first
// giant exponent (0, or the multiple of G at or below nlow when nlow is above
// 500000) to G-1 past the last multiple of G not above nhigh, reported per k
// and class in the order of that stride. The factor report sorts out which n
// are candidates.
#include <vector>

#include "quorvel/ktable.hpp"
#include "search/class_search.hpp"
#include "search/giant_steps.hpp"
#include "search/prime_state.hpp"
#include "search/search.hpp"

namespace quorvel {

void check_factors(std::uint64_t p) {
  const prime_state_t& st = prime_state;
  const std::uint64_t g = regular_grange;
  const giant_range_t range = giant_range(g);
  if (range.count == 0) return;
  std::vector<class_walk_t> walks;
  for (std::uint32_t i = 0; i < num_k; ++i) {
    if (st.akmask[i] == 0) continue;
    for (std::uint32_t r = 0; r < aknres[i]; ++r)
      walks.push_back({i, akares[10 * i + r], akmod[i], 1});
  }
  const std::uint64_t u_lo = range.first_e;
  const std::uint64_t u_hi = range.first_e + range.count * g;
  search_classes(p, walks, kmodlcm, u_lo, u_hi, g);
}

}  // namespace quorvel
