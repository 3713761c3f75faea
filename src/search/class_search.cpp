// The shared baby-step giant-step engine (see class_search.hpp).
#include "search/class_search.hpp"

#include <algorithm>
#include <cmath>

#include "arith/batch.hpp"
#include "arith/mulmod.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"
#include "search/prime_state.hpp"
#include "search/report.hpp"

namespace quorvel {

namespace {

/// Relative cost of storing a giant step against looking up a baby step.
constexpr double store_cost = 1.0;
constexpr double lookup_cost = 1.0;

/// Scratch for the sequences of one prime.
std::vector<std::uint64_t> sequence;
std::vector<std::uint64_t> found;

/// The stride: the multiple s*lcm that minimises store_cost*T + lookup_cost*W,
/// T = span/S table entries and W = sum S/modulus baby steps.
std::uint64_t choose_stride(const std::vector<class_walk_t>& walks, std::uint64_t lcm,
                            std::uint64_t span) {
  double inverse_sum = 0;
  for (const class_walk_t& w : walks) inverse_sum += 1.0 / static_cast<double>(w.modulus);
  const double best = std::sqrt(store_cost * static_cast<double>(span) /
                                (lookup_cost * inverse_sum)) /
                      static_cast<double>(lcm);
  std::uint64_t s = best < 1 ? 1 : static_cast<std::uint64_t>(best);
  // Compare the two integer neighbours of the real optimum.
  auto cost = [&](std::uint64_t m) {
    const double stride = static_cast<double>(m) * static_cast<double>(lcm);
    return store_cost * (static_cast<double>(span) / stride + 1) +
           lookup_cost * stride * inverse_sum;
  };
  if (cost(s + 1) < cost(s)) ++s;
  return s * lcm;
}

}  // namespace

void search_classes(std::uint64_t p, const std::vector<class_walk_t>& walks, std::uint64_t lcm,
                    std::uint64_t u_lo, std::uint64_t u_hi, std::uint64_t g_order) {
  if (walks.empty() || u_hi <= u_lo) return;
  hash_table_t& table = prime_state.table;
  const std::uint64_t stride = choose_stride(walks, lcm, u_hi - u_lo);
  const std::uint64_t e0 = u_lo / stride * stride;
  const std::uint64_t entries = (u_hi - e0 + stride - 1) / stride;

  // Giant steps -+2^-(e0 + jS), tag j + 1.
  const std::uint64_t half = (p + 1) / 2;
  sequence.resize(std::max<std::uint64_t>(entries, 1));
  geometric_mod_p(powmod_sse2(half, e0), powmod_sse2(half, stride), entries, sequence.data());
  hash_reset(table, entries);
  const bool proth = mode == mode_proth;
  for (std::uint64_t j = 0; j < entries; ++j)
    store_hash(table, proth ? p - sequence[j] : sequence[j], static_cast<std::uint32_t>(j + 1));

  for (const class_walk_t& w : walks) {
    const std::uint64_t steps = stride / w.modulus;
    sequence.resize(std::max<std::uint64_t>(steps, 1));
    const std::uint64_t first = mul_mod_p(static_cast<std::uint64_t>(ak[w.kindex]), pow2mod(w.start));
    geometric_mod_p(first, pow2mod(w.modulus), steps, sequence.data());
    found.clear();
    for (std::uint64_t i = 0; i < steps; ++i) {
      for_each_tag(table, sequence[i], [&](std::uint32_t tag) {
        const std::uint64_t u = e0 + (tag - 1) * stride + i * w.modulus;
        if (u >= u_lo && u < u_hi) found.push_back(u);
      });
    }
    if (found.empty()) continue;
    std::sort(found.begin(), found.end(), [g_order](std::uint64_t a, std::uint64_t b) {
      const std::uint64_t ta = a % g_order, tb = b % g_order;
      return ta != tb ? ta < tb : a < b;
    });
    for (std::uint64_t u : found) report_solution(p, w.kindex, w.start + u, w.xmod);
  }
}

}  // namespace quorvel
