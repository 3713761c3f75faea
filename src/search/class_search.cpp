// The shared baby-step giant-step engine (see class_search.hpp).
#include "search/class_search.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

#include "arith/batch.hpp"
#include "arith/mulmod.hpp"
#include "arith/number_theory.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"

namespace quorvel {

namespace {

/// Relative cost of storing a giant step against looking up a baby step.
constexpr double store_cost = 1.5;
constexpr double lookup_cost = 1.0;

inline std::uint64_t slot_of(const class_scratch_t& s, std::uint64_t v) {
  return (v * 0x9E3779B97F4A7C15ULL) >> (64 - s.slot_bits);
}

void index_giant_steps(class_scratch_t& s, std::uint64_t entries) {
  std::uint64_t bits = 512;
  while (bits < 32 * entries) bits <<= 1;
  if (s.filter.size() < bits / 64) s.filter.resize(bits / 64);
  s.filter_mask = bits - 1;
  std::fill(s.filter.begin(), s.filter.begin() + static_cast<std::ptrdiff_t>(bits / 64), 0);
  s.slot_bits = 6;
  while ((std::uint64_t{1} << s.slot_bits) < 2 * entries) ++s.slot_bits;
  const std::uint64_t slots = std::uint64_t{1} << s.slot_bits;
  if (s.slot.size() < slots) s.slot.resize(slots);
  if (s.next.size() < entries) s.next.resize(entries);
  std::fill_n(s.slot.begin(), slots, 0u);
  const std::uint64_t* g = s.giant.data();
  std::uint64_t* fl = s.filter.data();
  std::uint32_t* sl = s.slot.data();
  std::uint32_t* nx = s.next.data();
  // Backwards, each step in front of its slot's chain: the chains come out
  // in increasing order.
  const std::uint64_t mask = s.filter_mask;
  const int shift = 64 - s.slot_bits;
  for (std::uint64_t j = entries; j-- > 0;) {
    const std::uint64_t fb = g[j] & mask;
    fl[fb >> 6] |= std::uint64_t{1} << (fb & 63);
    std::uint32_t& head = sl[(g[j] * 0x9E3779B97F4A7C15ULL) >> shift];
    nx[j] = head;
    head = static_cast<std::uint32_t>(j + 1);
  }
}

/// The positions i < n of the values whose filter bit is set, in increasing
/// order, into hits (room for n); returns how many.
std::size_t probe_filter(const class_scratch_t& s, const std::uint64_t* values, std::size_t n,
                         std::uint64_t* hits) {
  const std::uint64_t* const fl = s.filter.data();
  const std::uint64_t mask = s.filter_mask;
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t fb = values[i] & mask;
    if (((fl[fb >> 6] >> (fb & 63)) & 1) == 0) [[likely]]
      continue;
    hits[count++] = i;
  }
  return count;
}

/// Calls f(j) for every j with giant[j] = v, in increasing j; rarely called
/// (only past the filter).
template <typename F>
void for_each_giant(const class_scratch_t& s, std::uint64_t v, F&& f) {
  for (std::uint32_t entry = s.slot[slot_of(s, v)]; entry != 0; entry = s.next[entry - 1])
    if (s.giant[entry - 1] == v) f(entry - 1);
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

/// The solutions of a walk by classes: each n keeps its place only in one of
/// the k's classes a (mod akmod) with n - a in [u_lo, u_hi), and they are
/// recorded class by class, within a class in the order of the stride.
[[gnu::noinline]] void record_by_classes(const class_search_t& cs, const class_scratch_t& s,
                                         prime_state_t& st, const class_walk_t& w) {
  const std::uint32_t i = w.kindex;
  const std::uint64_t m = akmod[i];
  struct placed_t {
    std::uint32_t r;
    std::uint64_t u;  // n - a
  };
  std::vector<placed_t> placed;
  for (std::uint64_t u : s.solutions) {
    const std::uint64_t n = w.start + u;
    const std::uint64_t a = n % m;
    for (std::uint32_t r = 0; r < aknres[i]; ++r) {
      if (akares[10 * i + r] == a && n - a >= cs.u_lo && n - a < cs.u_hi)
        placed.push_back({r, n - a});
    }
  }
  const std::uint64_t g = cs.g_order;
  std::sort(placed.begin(), placed.end(), [g](const placed_t& x, const placed_t& y) {
    if (x.r != y.r) return x.r < y.r;
    const std::uint64_t tx = x.u % g, ty = y.u % g;
    return tx != ty ? tx < ty : x.u < y.u;
  });
  for (const placed_t& pl : placed) record(st, i, pl.u + akares[10 * i + pl.r], w.xmod);
}

}  // namespace

double plan_class_search(class_search_t& cs, class_scratch_t& s) {
  if (cs.empty()) return 0;
  const std::uint64_t top = cs.u_hi + cs.reach;
  const double span = static_cast<double>(top - cs.u_lo);
  // The stride is s*base for a base that is the lcm of the smallest moduli;
  // a walk whose modulus does not divide the base steps by their gcd. Each
  // base is tried with its best s: the cost is store_cost*T + lookup_cost*W
  // with T = span/S table entries and W = sum S/step baby steps.
  // The moduli, each with its number of walks, and the slot of each walk's
  // modulus. The walks share few moduli: a small table by the modulus's hash
  // finds the slot of one seen before, without a branch on whether it was.
  // A modulus whose table entry another one took meanwhile gets a second
  // slot: the plan comes out the same, only a little slower.
  std::vector<std::uint64_t>& moduli = s.moduli;
  std::vector<double>& weight = s.weight;
  std::vector<std::uint32_t>& walk_slot = s.walk_slot;
  std::vector<std::uint32_t>& order = s.order;
  auto& seen_modulus = s.seen_modulus;
  auto& seen_stamp = s.seen_stamp;
  auto& seen_slot = s.seen_slot;
  const std::uint64_t stamp = ++s.stamp;
  const std::size_t nwalks = cs.walks.size();
  if (moduli.size() < nwalks + 1) {
    moduli.resize(nwalks + 1);
    weight.resize(nwalks + 1);
  }
  walk_slot.resize(nwalks);
  std::uint32_t nmoduli = 0;
  for (std::size_t x = 0; x < nwalks; ++x) {
    const std::uint64_t modulus = cs.walks[x].modulus;
    const std::size_t h = (modulus * 0x9E3779B97F4A7C15ULL) >> 58;
    const bool seen = (seen_stamp[h] == stamp) & (seen_modulus[h] == modulus);
    const std::uint32_t q = seen ? seen_slot[h] : nmoduli;
    // Written in any case; a seen modulus leaves them past the end.
    moduli[nmoduli] = modulus;
    weight[nmoduli] = 0;
    nmoduli += !seen;
    seen_stamp[h] = stamp;
    seen_modulus[h] = modulus;
    seen_slot[h] = q;
    walk_slot[x] = q;
    weight[q] += 1;
  }
  moduli.resize(nmoduli);
  weight.resize(nmoduli);
  // The slots by ascending modulus.
  order.resize(moduli.size());
  for (std::uint32_t q = 0; q < order.size(); ++q) {
    std::uint32_t r = q;
    for (; r > 0 && moduli[order[r - 1]] > moduli[q]; --r) order[r] = order[r - 1];
    order[r] = q;
  }
  double best_cost = 0;
  std::uint64_t best_stride = 0;
  std::size_t best_m = 0;
  std::uint64_t base = moduli[order[0]];
  double dividing = 0;  // sum of weight/modulus over the moduli that divide the base
  for (std::size_t m = 0; m < order.size(); ++m) {
    const std::uint64_t added = moduli[order[m]];
    if (m > 0) {
      base = base / binary_gcd(base, added) * added;
      if (static_cast<double>(base) > 4 * span + 4) break;
    }
    dividing += weight[order[m]] / static_cast<double>(added);
    double per_stride = dividing;  // sum of 1/step for a stride that is a multiple of base
    for (std::size_t r = m + 1; r < order.size(); ++r)
      per_stride += weight[order[r]] / static_cast<double>(binary_gcd(moduli[order[r]], base));
    const double ideal =
        std::sqrt(store_cost * span / (lookup_cost * per_stride)) / static_cast<double>(base);
    const std::uint64_t mult = ideal < 1 ? 1 : static_cast<std::uint64_t>(ideal);
    for (std::uint64_t t : {mult, mult + 1}) {
      const double stride = static_cast<double>(t) * static_cast<double>(base);
      const double cost = store_cost * (span / stride + 1) + lookup_cost * stride * per_stride;
      // Which candidate wins follows no pattern: selected without a branch.
      const bool better = (best_stride == 0) | (cost < best_cost);
      best_cost = better ? cost : best_cost;
      best_stride = better ? t * base : best_stride;
      best_m = better ? m : best_m;
    }
  }
  cs.stride = best_stride;
  // The step of each distinct modulus: the modulus itself when it divides
  // the base, else its gcd with the stride. moduli[] is reused for the steps.
  for (std::size_t r = best_m + 1; r < order.size(); ++r)
    moduli[order[r]] = binary_gcd(moduli[order[r]], cs.stride);
  cs.moduli = static_cast<std::uint32_t>(moduli.size());
  for (std::size_t x = 0; x < cs.walks.size(); ++x) {
    cs.walks[x].step = moduli[walk_slot[x]];
    cs.walks[x].modulus_slot = walk_slot[x];
  }
  cs.e0 = cs.u_lo / cs.stride * cs.stride;
  cs.entries = (top - cs.e0 + cs.stride - 1) / cs.stride;
  return best_cost;
}

void queue_class_powers(class_search_t& cs, const prime_state_t& st, power_batch_t& batch,
                        class_scratch_t& s) {
  if (cs.empty()) return;
  // 2^-e = (1/2)^e with 1/2 = (p+1)/2: exponents as short as e itself.
  const std::uint64_t half = st.p / 2 + 1;
  cs.giant_start = batch.add(st, half, cs.e0);
  cs.giant_step = batch.add(st, half, cs.stride);
  // Walks of one modulus take the same step: one power of it serves them.
  std::vector<std::uint32_t>& handle = s.handle;
  constexpr std::uint32_t unqueued = ~std::uint32_t{0};
  handle.assign(cs.moduli, unqueued);
  for (class_walk_t& w : cs.walks) {
    w.two_start = batch.add(st, 2, w.start);
    // A walk of one step needs no power of its step.
    if (w.step == cs.stride) continue;
    std::uint32_t& h = handle[w.modulus_slot];
    if (h == unqueued) h = batch.add(st, 2, w.step);
    w.two_step = h;
  }
}

void run_class_search(const class_search_t& cs, prime_state_t& st, const power_batch_t& batch,
                      class_scratch_t& s) {
  if (cs.empty()) return;
  const std::uint64_t p = st.p;
  const arith_state_t& m = st.mod;
  // Giant steps -+2^-(e0 + jS): in Proth mode the sequence starts at
  // -2^-e0 (a power of 2 is never 0 modulo p).
  std::vector<std::uint64_t>& giant = s.giant;
  if (giant.size() < cs.entries) giant.resize(cs.entries);
  const std::uint64_t giant_start = batch[cs.giant_start];
  geometric_mod_p(m, mode == mode_proth ? p - giant_start : giant_start, batch[cs.giant_step],
                  cs.entries, giant.data());
  index_giant_steps(s, cs.entries);

  // The baby steps of every walk, one walk after another in one buffer
  // (each walk's sequence from the powers of its step, made once per
  // modulus), then one pass of the filter over all of them: a miss costs no
  // branch per walk.
  std::vector<geometric_powers_t>& ratio_powers = s.ratio_powers;
  std::vector<std::uint64_t>& seen_in = s.seen_in;
  std::vector<std::uint32_t>& slot_walks = s.slot_walks;
  std::vector<std::uint64_t>& offset = s.offset;
  std::vector<std::uint64_t>& sequence = s.sequence;
  std::vector<std::uint64_t>& hits = s.hits;
  std::vector<std::uint64_t>& solutions = s.solutions;
  const std::uint64_t search_serial = ++s.search_serial;
  if (ratio_powers.size() < cs.moduli) {
    ratio_powers.resize(cs.moduli);
    seen_in.resize(cs.moduli);
    slot_walks.resize(cs.moduli);
  }
  const std::size_t nwalks = cs.walks.size();
  if (offset.size() < nwalks + 1) offset.resize(nwalks + 1);
  std::uint64_t total = 0;
  for (std::size_t x = 0; x < nwalks; ++x) {
    offset[x] = total;
    total += cs.stride / cs.walks[x].step;
    const std::uint32_t q = cs.walks[x].modulus_slot;
    if (seen_in[q] != search_serial) {
      seen_in[q] = search_serial;
      slot_walks[q] = 0;
    }
    ++slot_walks[q];
  }
  offset[nwalks] = total;
  // Room for the last walk's rounding up to four terms.
  if (sequence.size() < total + 4) sequence.resize(total + 4);
  std::uint64_t* seq = sequence.data();
  for (std::size_t x = 0; x < nwalks; ++x) {
    const class_walk_t& w = cs.walks[x];
    const std::uint64_t first =
        mul_mod_p(m, static_cast<std::uint64_t>(ak[w.kindex]), batch[w.two_start]);
    const std::uint64_t steps = offset[x + 1] - offset[x];
    if (steps == 1) {
      seq[offset[x]] = first;
      continue;
    }
    // The powers of a step serve several walks; a walk alone in its modulus
    // steps on its own. slot_walks counts down to 0 once they are made.
    std::uint32_t& walks_left = slot_walks[w.modulus_slot];
    if (walks_left == 1) {
      geometric_mod_p(m, first, batch[w.two_step], steps, seq + offset[x]);
      continue;
    }
    if (walks_left != 0) {
      geometric_powers(m, batch[w.two_step], steps, ratio_powers[w.modulus_slot]);
      walks_left = 0;
    }
    geometric_scaled(m, first, ratio_powers[w.modulus_slot], steps, seq + offset[x]);
  }
  if (hits.size() < total) hits.resize(total);
  const std::size_t nhits = probe_filter(s, seq, total, hits.data());
  // The hits in buffer order are grouped by walk, walks in order.
  std::size_t x = 0;
  for (std::size_t h = 0; h < nhits;) {
    while (offset[x + 1] <= hits[h]) ++x;
    const class_walk_t& w = cs.walks[x];
    solutions.clear();
    for (; h < nhits && hits[h] < offset[x + 1]; ++h) {
      const std::uint64_t i = hits[h] - offset[x];
      for_each_giant(s, seq[hits[h]], [&](std::uint64_t j) {
        const std::uint64_t u = cs.e0 + j * cs.stride + i * w.step;
        if (u % w.modulus == 0) solutions.push_back(u);
      });
    }
    if (solutions.empty()) continue;
    if (w.by_classes) {
      record_by_classes(cs, s, st, w);
    } else {
      const std::uint64_t g = cs.g_order;
      std::erase_if(solutions, [&](std::uint64_t u) { return u < cs.u_lo || u >= cs.u_hi; });
      std::sort(solutions.begin(), solutions.end(), [g](std::uint64_t a, std::uint64_t b) {
        const std::uint64_t ta = a % g, tb = b % g;
        return ta != tb ? ta < tb : a < b;
      });
      for (std::uint64_t u : solutions) record(st, w.kindex, w.start + u, w.xmod);
    }
  }
}

}  // namespace quorvel
