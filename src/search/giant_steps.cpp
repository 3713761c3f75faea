// Building the giant-step table (see giant_steps.hpp).
#include "search/giant_steps.hpp"

#include <vector>

#include "arith/mulmod.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"

namespace quorvel {

giant_range_t giant_range(std::uint64_t g) {
  giant_range_t r{0, 1, 0};
  if (nlow > 500000) {
    r.first_e = nlow / g * g;
    r.first_tag = nlow / g + 1;
  }
  if (r.first_e <= nhigh) r.count = (nhigh - r.first_e) / g + 1;
  return r;
}

void build_giant_table(hash_table_t& t, std::uint64_t p, std::uint64_t g, const giant_range_t& r) {
  hash_reset(t, r.count);
  if (r.count == 0) return;
  const std::uint64_t half = (p + 1) / 2;  // the inverse of 2
  const std::uint64_t gstep = powmod_sse2(half, g);
  std::uint64_t v = r.first_e == 0 ? 1 : powmod_sse2(half, r.first_e);
  const bool proth = mode == mode_proth;
  const auto bdivp = bdiv_p(gstep);
  std::uint64_t tag = r.first_tag;
  for (std::uint64_t i = 0; i < r.count; ++i, ++tag) {
    store_hash(t, proth ? p - v : v, static_cast<std::uint32_t>(tag));
    v = mul_mod_p_b(v, gstep, bdivp);
  }
}

}  // namespace quorvel
