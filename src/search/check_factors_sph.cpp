// The final search of the Silver-Pohlig-Hellman path: each remaining k has
// one class of n, first exponent res[i] and modulus step[i]; a shared
// giant-step table of stride G' (a multiple of every class modulus) is
// matched against each k's baby steps k*2^(res + t), t = 0, step, 2*step, ...
// below G' (and below nhigh).
#include <cmath>

#include "arith/mulmod.hpp"
#include "quorvel/ktable.hpp"
#include "search/giant_steps.hpp"
#include "search/prime_state.hpp"
#include "search/report.hpp"
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
  prime_state_t& st = prime_state;
  // s = floor(sqrt(range / x * 0.1)): the largest s with 10 s^2 <= range / x.
  const std::uint64_t s = isqrt((std::uint64_t{nhigh} - nlow) / x / 10);
  const std::uint64_t g = s >= 2 ? x * s : x;
  const giant_range_t range = giant_range(g);
  build_giant_table(st.table, p, g, range);
  if (range.count == 0) return;
  for (std::uint32_t i = 0; i < num_k; ++i) {
    if (st.akmask[i] == 0) continue;
    std::uint64_t w = mul_mod_p(static_cast<std::uint64_t>(ak[i]), pow2mod(res[i]));
    const std::uint64_t stepv = pow2mod(step[i]);
    const auto bdivp = bdiv_p(stepv);
    for (std::uint64_t t = 0;;) {
      for_each_tag(st.table, w, [&](std::uint32_t tag) {
        const std::uint64_t n = (tag - 1) * g + t + res[i];
        report_solution(p, i, n, step[i]);
      });
      t += step[i];
      if (t >= g || t >= nhigh) break;
      w = mul_mod_p_b(w, stepv, bdivp);
    }
  }
}

}  // namespace quorvel
