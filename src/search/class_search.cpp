// The shared baby-step giant-step engine (see class_search.hpp).
#include "search/class_search.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "arith/batch.hpp"
#include "arith/mulmod.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"

namespace quorvel {

namespace {

/// Relative cost of storing a giant step against looking up a baby step.
constexpr double store_cost = 1.0;
constexpr double lookup_cost = 1.0;

/// The giant steps of the search in progress and their index: a slot per
/// residue's low bits holding j + 1 for the first step stored there (0 when
/// empty), eight slots per step so that nearly every baby step without a
/// match lands on an empty slot and costs one load. A step whose slot was
/// taken goes to a short spill list, and its slot gets the spill flag.
std::vector<std::uint64_t> giant;
std::vector<std::uint32_t> slot;
std::vector<std::uint32_t> spill;
std::uint64_t slot_mask = 0;
constexpr std::uint32_t spill_flag = 0x80000000u;

std::vector<std::uint64_t> sequence;
std::vector<std::uint64_t> solutions;
std::vector<std::uint32_t> matches;

void index_giant_steps(std::uint64_t entries) {
  std::uint64_t size = 64;
  while (size < 8 * entries) size <<= 1;
  if (slot.size() < size) slot.assign(size, 0);
  slot_mask = size - 1;
  spill.clear();
  const std::uint64_t* g = giant.data();
  std::uint32_t* sl = slot.data();
  const std::uint64_t mask = slot_mask;
  for (std::uint64_t j = 0; j < entries; ++j) {
    std::uint32_t& e = sl[g[j] & mask];
    if (e == 0) {
      e = static_cast<std::uint32_t>(j + 1);
    } else {
      spill.push_back(static_cast<std::uint32_t>(j));
      e |= spill_flag;
    }
  }
}

/// Leaves the index empty again, touching only the slots in use.
void clear_giant_index(std::uint64_t entries) {
  const std::uint64_t* g = giant.data();
  std::uint32_t* sl = slot.data();
  const std::uint64_t mask = slot_mask;
  for (std::uint64_t j = 0; j < entries; ++j) sl[g[j] & mask] = 0;
}

/// Every j with giant[j] = v, ascending, into `matches`, given the slot
/// entry e of v; rarely called.
[[gnu::noinline]] void find_matches(std::uint64_t v, std::uint32_t e) {
  matches.clear();
  const std::uint32_t first = e & ~spill_flag;
  if (giant[first - 1] == v) matches.push_back(first - 1);
  if ((e & spill_flag) != 0) {
    for (std::uint32_t j : spill)
      if (giant[j] == v) matches.push_back(j);
    std::sort(matches.begin(), matches.end());
  }
}

/// Records n = start + u for k index i, unless it names no factor: an n
/// beyond 32 bits (outside every candidate file), or a number k*2^n+-1 that
/// is p itself (a prime is not struck by itself).
void record(prime_state_t& st, std::uint32_t i, std::uint64_t n, std::uint64_t xmod) {
  if (n > std::numeric_limits<std::uint32_t>::max()) return;
  if (n < 64) {
    const unsigned __int128 kn = static_cast<unsigned __int128>(ak[i]) << n;
    if ((mode == mode_proth ? kn + 1 : kn - 1) == st.p) return;
  }
  st.found.push_back({i, static_cast<std::uint32_t>(n), xmod});
}

}  // namespace

void plan_class_search(class_search_t& cs) {
  if (cs.empty()) return;
  const std::uint64_t span = cs.u_hi - cs.u_lo;
  double inverse_sum = 0;
  for (const class_walk_t& w : cs.walks) inverse_sum += 1.0 / static_cast<double>(w.modulus);
  // The multiple s*lcm that minimises store_cost*T + lookup_cost*W, with
  // T = span/S table entries and W = sum S/modulus baby steps.
  const double lcm = static_cast<double>(cs.lcm);
  const double best =
      std::sqrt(store_cost * static_cast<double>(span) / (lookup_cost * inverse_sum)) / lcm;
  std::uint64_t s = best < 1 ? 1 : static_cast<std::uint64_t>(best);
  auto cost = [&](std::uint64_t m) {
    const double stride = static_cast<double>(m) * lcm;
    return store_cost * (static_cast<double>(span) / stride + 1) +
           lookup_cost * stride * inverse_sum;
  };
  if (cost(s + 1) < cost(s)) ++s;
  cs.stride = s * cs.lcm;
  cs.e0 = cs.u_lo / cs.stride * cs.stride;
  cs.entries = (cs.u_hi - cs.e0 + cs.stride - 1) / cs.stride;
}

void queue_class_powers(class_search_t& cs, const prime_state_t& st, power_batch_t& batch) {
  if (cs.empty()) return;
  // 2^-e = 2^(B - e mod B), since 2^B = 1.
  const std::uint64_t b = st.b;
  cs.first_power = batch.add(st, 2, (b - cs.e0 % b) % b);
  batch.add(st, 2, (b - cs.stride % b) % b);
  for (const class_walk_t& w : cs.walks) {
    batch.add(st, 2, w.start);
    batch.add(st, 2, w.modulus);
  }
}

void run_class_search(const class_search_t& cs, prime_state_t& st, const power_batch_t& batch) {
  if (cs.empty()) return;
  const std::uint64_t p = st.p;
  // Giant steps -+2^-(e0 + jS).
  if (giant.size() < cs.entries) giant.resize(cs.entries);
  geometric_mod_p(batch[cs.first_power], batch[cs.first_power + 1], cs.entries, giant.data());
  if (mode == mode_proth) {
    std::uint64_t* g = giant.data();
    for (std::uint64_t j = 0; j < cs.entries; ++j) g[j] = p - g[j];
  }
  index_giant_steps(cs.entries);

  std::uint32_t pw = cs.first_power + 2;
  for (const class_walk_t& w : cs.walks) {
    const std::uint64_t two_start = batch[pw++], two_step = batch[pw++];
    const std::uint64_t steps = cs.stride / w.modulus;
    if (sequence.size() < steps) sequence.resize(steps);
    const std::uint64_t first = mul_mod_p(static_cast<std::uint64_t>(ak[w.kindex]), two_start);
    geometric_mod_p(first, two_step, steps, sequence.data());
    solutions.clear();
    const std::uint64_t* seq = sequence.data();
    const std::uint32_t* sl = slot.data();
    const std::uint64_t mask = slot_mask;
    for (std::uint64_t i = 0; i < steps; ++i) {
      const std::uint32_t e = sl[seq[i] & mask];
      if (e == 0) [[likely]]
        continue;
      find_matches(seq[i], e);
      for (std::uint32_t j : matches) {
        const std::uint64_t u = cs.e0 + j * cs.stride + i * w.modulus;
        if (u >= cs.u_lo && u < cs.u_hi) solutions.push_back(u);
      }
    }
    if (solutions.empty()) continue;
    const std::uint64_t g = cs.g_order;
    std::sort(solutions.begin(), solutions.end(), [g](std::uint64_t a, std::uint64_t b) {
      const std::uint64_t ta = a % g, tb = b % g;
      return ta != tb ? ta < tb : a < b;
    });
    for (std::uint64_t u : solutions) record(st, w.kindex, w.start + u, w.xmod);
  }
  clear_giant_index(cs.entries);
}

}  // namespace quorvel
