// The final search of the Silver-Pohlig-Hellman path: each remaining k has
// one class of n, first exponent res[i] and modulus step[i]. The n tested are
// those of a stride G' = x*s (x a common multiple of every step, s about
// sqrt(0.1 * (nhigh - nlow) / x)): for each k, n = res + u with u in one
// interval that starts at the first giant exponent and ends G'-1 past the
// last one, or at nhigh when that comes first. Reports follow the order of a
// search with that stride.
#include <algorithm>
#include <cmath>

#include "quorvel/ktable.hpp"
#include "search/class_search.hpp"
#include "search/giant_range.hpp"
#include "search/search.hpp"
#include "search/search_context.hpp"

namespace quorvel {

namespace {

std::uint64_t isqrt(std::uint64_t v) {
  std::uint64_t r = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(v)));
  while (r * r > v) --r;
  while ((r + 1) * (r + 1) <= v) ++r;
  return r;
}

}  // namespace

void check_factors_sph(const prime_state_t& st, std::uint64_t x,
                       const std::array<std::uint64_t, max_k>& res,
                       const std::array<std::uint64_t, max_k>& step, class_search_t& cs,
                       search_context_t& ctx) {
  cs.walks.clear();
  // s = floor(sqrt(range / x * 0.1)): the largest s with 10 s^2 <= range / x.
  const std::uint64_t s = isqrt((std::uint64_t{nhigh} - nlow) / x / 10);
  const std::uint64_t g = s >= 2 ? x * s : x;
  const giant_range_t range = giant_range(g);
  cs.g_order = g;
  if (range.count != 0) {
    // Offsets below G' within each stride, and below nhigh (offset 0 always).
    const std::uint64_t offsets = std::min<std::uint64_t>(g, std::max<std::uint64_t>(nhigh, 1));
    cs.u_lo = range.first_e;
    cs.u_hi = range.first_e + (range.count - 1) * g + offsets;
    for (std::uint32_t a = 0; a < st.kmaskcnt; ++a) {
      const std::uint32_t i = st.kactive[a];
      cs.walks.push_back({i, res[i], step[i], step[i]});
    }
  } else {
    cs.u_lo = cs.u_hi = 0;
  }
  plan_class_search(cs, ctx.classes);
}

}  // namespace quorvel
