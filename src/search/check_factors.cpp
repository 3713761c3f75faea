// The plain baby-step giant-step search of one prime over every k still
// masked in, walking each k's residue classes a (mod M = akmod). The n tested
// are those of the stride G = regular_grange: every n = a (mod M) from the
// first giant exponent to G-1 past the last one, reported per k and class in
// the order of that stride. The factor report sorts out which n are
// candidates.
#include "quorvel/ktable.hpp"
#include "search/class_search.hpp"
#include "search/giant_range.hpp"
#include "search/search.hpp"

namespace quorvel {

void check_factors(const prime_state_t& st, class_search_t& cs) {
  cs.walks.clear();
  const std::uint64_t g = regular_grange;
  const giant_range_t range = giant_range(g);
  cs.lcm = kmodlcm;
  cs.g_order = g;
  cs.u_lo = range.first_e;
  cs.u_hi = range.first_e + range.count * g;
  if (range.count != 0) {
    for (std::uint32_t i = 0; i < num_k; ++i) {
      if (st.akmask[i] == 0) continue;
      for (std::uint32_t r = 0; r < aknres[i]; ++r)
        cs.walks.push_back({i, akares[10 * i + r], akmod[i], 1});
    }
  }
  plan_class_search(cs);
}

}  // namespace quorvel
