// Plain baby-step giant-step search of one prime over every k still masked
// in: the giant-step table (stride G = regular_grange) is shared by all k;
// each k walks its own residue classes a (mod M = akmod) in baby steps
// k*2^(a+t), t = 0, M, 2M, ... below G, and looks each one up. Every n = a
// (mod M) from the first table exponent to G-1 past the last one is tested
// exactly once; the factor report sorts out which n are candidates.

#include "arith/mulmod.hpp"
#include "quorvel/ktable.hpp"
#include "search/giant_steps.hpp"
#include "search/prime_state.hpp"
#include "search/report.hpp"
#include "search/search.hpp"

namespace quorvel {

void check_factors(std::uint64_t p) {
  prime_state_t& st = prime_state;
  const std::uint64_t g = regular_grange;
  const giant_range_t range = giant_range(g);
  build_giant_table(st.table, p, g, range);
  if (range.count == 0) return;
    for (std::uint32_t i = 0; i < num_k; ++i) {
    if (st.akmask[i] == 0) continue;
    const std::uint64_t m = akmod[i];
    const std::uint64_t twoinvpow = pow2mod(m);
    const auto bdivp = bdiv_p(twoinvpow);
    for (std::uint32_t r = 0; r < aknres[i]; ++r) {
      const std::uint64_t a = akares[10 * i + r];
      std::uint64_t w = mul_mod_p(static_cast<std::uint64_t>(ak[i]), pow2mod(a));
      for (std::uint64_t t = 0; t < g; t += m) {
        for_each_tag(st.table, w, [&](std::uint32_t tag) {
          const std::uint64_t n = (tag - 1) * g + t + a;
          report_solution(p, i, n, 1);
        });
        w = mul_mod_p_b(w, twoinvpow, bdivp);
      }
    }
  }
}

}  // namespace quorvel
