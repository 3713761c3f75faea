// Grouping of the k periods (see the header).
#include "search/period_classes.hpp"

#include <vector>

#include "arith/number_theory.hpp"
#include "quorvel/ktable.hpp"

namespace quorvel {

std::array<std::uint8_t, max_k> period_index{};

namespace {

/// Per divisor g of kpowerlcm: 1 + the index of its split (0 for the other
/// numbers up to kpowerlcm).
std::vector<std::uint16_t> split_of_g;
std::vector<period_split_t> splits;

period_split_t make_split(std::uint32_t g) {
  period_split_t split;
  for (std::uint32_t i = 0; i < num_k; ++i) {
    const auto gk = static_cast<std::uint32_t>(binary_gcd(akpower[i], g));
    std::uint32_t q = 0;
    while (q < split.count && split.value[q] != gk) ++q;
    if (q == split.count) split.value[split.count++] = gk;
    split.of_k[i] = static_cast<std::uint8_t>(q);
  }
  return split;
}

}  // namespace

void build_period_classes() {
  std::array<std::uint32_t, max_k> periods{};
  std::uint32_t count = 0;
  for (std::uint32_t i = 0; i < num_k; ++i) {
    std::uint32_t q = 0;
    while (q < count && periods[q] != akpower[i]) ++q;
    if (q == count) periods[count++] = akpower[i];
    period_index[i] = static_cast<std::uint8_t>(q);
  }
  // Every divisor of kpowerlcm (<= 20,000, so at most 80 of them), made
  // here once: the searches of every worker only read them.
  split_of_g.assign(std::size_t{kpowerlcm} + 1, 0);
  splits.clear();
  for (std::uint32_t g = 1; g <= kpowerlcm; ++g) {
    if (kpowerlcm % g != 0) continue;
    splits.push_back(make_split(g));
    split_of_g[g] = static_cast<std::uint16_t>(splits.size());
  }
}

const period_split_t& period_split(std::uint32_t g) { return splits[split_of_g[g] - 1]; }

}  // namespace quorvel
