// The search step of the k-range modes (see krange_search.hpp): the powers
// 2^-nlow of the whole block from one batched kernel, a batched scan that
// tells which primes at or above khigh strike any k at all, and the
// exponent-by-exponent chain, with the events of the bitmap's order, for
// those primes and for every prime below khigh.
#include "krange/krange_search.hpp"

#include <algorithm>

#include "arith/batch.hpp"
#include "arith/halving_scan.hpp"
#include "krange/krange.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

namespace {

/// The event of the class k == k0 (mod p), 0 < k0 < p, if it holds an odd k
/// of the range: k0 itself for p >= khigh; for a smaller p the smallest odd
/// k >= klow of the class (klow_floor = klow - klow mod p), as the walk
/// starts there.
inline void add_class(const krange_settings_t& s, std::uint64_t p, std::uint64_t k0,
                      std::uint32_t n, int side, std::uint64_t klow_floor,
                      std::vector<krange_event_t>& events) {
  if (p >= s.khigh) {
    if (k0 - s.klow <= s.khigh - s.klow && (k0 & 1) != 0) events.push_back({k0, n, side});
    return;
  }
  std::uint64_t e = k0 + klow_floor;  // == k0 (mod p), > klow - p
  if ((e & 1) == 0) e += p;
  if (e < s.klow) e += 2 * p;
  if (e <= s.khigh) events.push_back({e, n, side});
}

/// The events of one prime, exponent by exponent from r = 2^-nlow: each
/// next r is r * 2^-1, halving r or r + p; the chain stops when it returns
/// to its value at the anchor, the first exponent from 64 on (below 64 a
/// number may equal p and keep its k, so those exponents repeat nothing).
void add_chain(const krange_settings_t& s, std::uint64_t p, std::uint64_t first,
               std::uint64_t exponents, std::vector<krange_event_t>& events) {
  const std::uint64_t klow_floor = p >= s.khigh ? 0 : s.klow - s.klow % p;
  const std::uint64_t h = (p >> 1) + 1;
  const std::uint64_t anchor_i = s.nlow >= krange_repeat_floor ? 0 : krange_repeat_floor - s.nlow;
  std::uint64_t r = first, anchor = first;
  for (std::uint64_t i = 0; i < exponents; ++i) {
    if (i > anchor_i && r == anchor) return;
    if (i == anchor_i) anchor = r;
    const auto n = static_cast<std::uint32_t>(s.nlow + i);
    if (s.dominus) add_class(s, p, r, n, -1, klow_floor, events);
    if (s.doplus) add_class(s, p, p - r, n, +1, klow_floor, events);
    r = half_mod(r, h);
  }
}

}  // namespace

std::uint64_t krange_settings_t::exponents() const {
  if (!dominus && !doplus) return 0;
  if (twin) return 1;
  return nlow <= nhigh ? std::uint64_t{nhigh} - nlow + 1 : 0;
}

std::size_t krange_block_length(const krange_settings_t& s, std::uint64_t p) {
  constexpr double event_budget = 1 << 18;
  constexpr std::size_t longest = 4096;
  const double exponents = static_cast<double>(s.exponents());
  const double share = p <= s.khigh ? 1.0 : static_cast<double>(s.khigh) / static_cast<double>(p);
  const double length = event_budget / (1.0 + 2.0 * exponents * share);
  return length >= longest ? longest : length < 1.0 ? 1 : static_cast<std::size_t>(length);
}

krange_settings_t krange_current_settings(bool twin) {
  krange_settings_t s;
  s.klow = krange_klow;
  s.khigh = krange_khigh;
  s.nlow = krange_nlow;
  s.nhigh = krange_nhigh;
  s.dominus = krange_dominus;
  s.doplus = krange_doplus;
  s.twin = twin;
  return s;
}

void krange_search_block(const krange_settings_t& s, std::span<const std::uint64_t> primes,
                         krange_work_t& work, krange_hits_t& hits) {
  const std::size_t count = primes.size();
  hits.primes.assign(primes.begin(), primes.end());
  hits.first.resize(count + 1);
  hits.first[0] = 0;
  hits.events.clear();
  const std::uint64_t exponents = s.exponents();
  if (count == 0 || exponents == 0) {
    std::fill(hits.first.begin(), hits.first.end(), 0);
    return;
  }

  work.starts.resize(count);
  work.flags.resize(count);
  inverse_pow2_lanes(primes.data(), s.nlow, work.starts.data(), count);
  // A prime below khigh always passes (khigh > p/2 takes in every residue).
  halving_near_zero_lanes(primes.data(), work.starts.data(), count, exponents, s.khigh,
                          work.flags.data());
  for (std::size_t j = 0; j < count; ++j) {
    if (work.flags[j] != 0) add_chain(s, primes[j], work.starts[j], exponents, hits.events);
    hits.first[j + 1] = hits.events.size();
  }
}

}  // namespace quorvel
