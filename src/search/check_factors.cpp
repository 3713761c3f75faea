// The plain baby-step giant-step search of one prime over every k still
// masked in, walking each k's residue classes a (mod M = akmod). The n tested
// are those of the stride G = regular_grange: every n = a (mod M) from the
// first giant exponent to G-1 past the last one, reported per k and class in
// the order of that stride. The factor report sorts out which n are
// candidates.
#include <algorithm>
#include <utility>

#include "quorvel/ktable.hpp"
#include "search/class_search.hpp"
#include "search/giant_range.hpp"
#include "search/search.hpp"
#include "search/search_context.hpp"

namespace quorvel {

void check_factors(const prime_state_t& st, class_search_t& cs, search_context_t& ctx) {
  cs.walks.clear();
  const std::uint64_t g = regular_grange;
  const giant_range_t range = giant_range(g);
  cs.g_order = g;
  cs.u_lo = range.first_e;
  cs.u_hi = range.first_e + range.count * g;
  cs.reach = 0;
  if (range.count == 0) return;
  // A walk per residue class of each k, or one walk per k over its whole
  // class n = akequiv (mod akpower), its solutions sorted into the residue
  // classes afterwards: whichever costs less. Many classes with a large
  // common modulus make the first dear.
  class_search_t& coarse = ctx.coarse;
  coarse.walks.clear();
  coarse.g_order = g;
  coarse.u_lo = cs.u_lo;
  coarse.u_hi = cs.u_hi;
  coarse.reach = 0;
  for (std::uint32_t a = 0; a < st.kmaskcnt; ++a) {
    const std::uint32_t i = st.kactive[a];
    for (std::uint32_t r = 0; r < aknres[i]; ++r)
      cs.walks.push_back({i, akares[10 * i + r], akmod[i], 1, false});
    coarse.walks.push_back({i, akequiv[i], akpower[i], 1, true});
    coarse.reach = std::max<std::uint64_t>(coarse.reach, akmod[i]);
  }
  const double fine_cost = plan_class_search(cs, ctx.classes);
  if (plan_class_search(coarse, ctx.classes) < fine_cost) std::swap(cs, coarse);
}

}  // namespace quorvel
