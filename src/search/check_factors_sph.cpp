// The final search of the Silver-Pohlig-Hellman path: each remaining k has
// one class of n, first exponent res[i] and modulus step[i]. The n tested are
// those of a stride G' = x*s (x a common multiple of every step, s about
// sqrt(0.1 * (nhigh - nlow) / x)): for each k, n = res + u with u in one
// interval that starts at the first giant exponent (0, or the multiple of G'
// at or below nlow when nlow is above 500000) and ends G'-1 past the last
// multiple of G' not above nhigh, or at nhigh when that comes first. Reports
// follow the order of a search with that stride.
#include <cmath>
#include <vector>

#include "quorvel/ktable.hpp"
#include "search/class_search.hpp"
#include "search/giant_steps.hpp"
#include "search/prime_state.hpp"
#include "search/search.hpp"

namespace quorvel {

namespace {

std::uint64_t isqrt(std::uint64_t v) {
  std::uint64_t r = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(v)));
  while (r * r > v) --r;
  while ((r + 1) * (r + 1) <= v) ++r;
  return r;
}

}  // namespace

void check_factors_sph(std::uint64_t p, std::uint64_t x, const std::array<std::uint64_t, max_k>& res,
                       const std::array<std::uint64_t, max_k>& step) {
  const prime_state_t& st = prime_state;
  // s = floor(sqrt(range / x * 0.1)): the largest s with 10 s^2 <= range / x.
  const std::uint64_t s = isqrt((std::uint64_t{nhigh} - nlow) / x / 10);
  const std::uint64_t g = s >= 2 ? x * s : x;
  const giant_range_t range = giant_range(g);
  if (range.count == 0) return;
  // Offsets below G' within each stride, and below nhigh (offset 0 always).
  const std::uint64_t offsets = std::min<std::uint64_t>(g, std::max<std::uint64_t>(nhigh, 1));
  const std::uint64_t u_lo = range.first_e;
  const std::uint64_t u_hi = range.first_e + (range.count - 1) * g + offsets;
  std::vector<class_walk_t> walks;
  for (std::uint32_t i = 0; i < num_k; ++i)
    if (st.akmask[i] != 0) walks.push_back({i, res[i], step[i], step[i]});
  search_classes(p, walks, x, u_lo, u_hi, g);
}

}  // namespace quorvel
