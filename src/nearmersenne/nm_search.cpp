// The search step of the near-Mersenne mode (see nm_search.hpp).
//
// The hash keys of the powers of 2 (and of the powers plus one) come from a
// batch kernel, four primes side by side; the powers themselves are not
// kept. The exponent table is bucketed: the top bits of a power's key pick
// a bucket of eight 32-bit slots (at least as many buckets as exponents),
// and a slot holds the key's low 16 bits as a tag above the exponent.
// Storing is one write at the bucket's fill count, and one of the count,
// without a search for a free slot or even a test of the room left: a
// bucket given more than eight exponents (about once in 500 primes) makes the
// whole table be built again with the test, passing the excess to a short
// spill list. A lookup compares the eight tags of one bucket at once, then
// the full key of a matching exponent, then (for the rare full match) the
// powers themselves, so a match of a stale slot (left by an earlier prime),
// of a tag or of a key alone is never taken. Only the fill counts are
// cleared per prime.
#include "nearmersenne/nm_search.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "arith/batch.hpp"
#include "nearmersenne/nm_sieve.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

namespace {

constexpr std::uint32_t bucket_slots = 8;
constexpr std::size_t lanes = 4;

void size_work(nm_work_t& w, std::uint32_t ahigh) {
  // From 16 to 2^16 buckets: the bucket is the key's top 4 to 16 bits, the
  // tag its low 16.
  const std::uint64_t buckets = std::clamp<std::uint64_t>(
      std::bit_ceil(std::uint64_t{w.buckets_wanted != 0 ? w.buckets_wanted : ahigh}), 16, 65536);
  if (w.ahigh == ahigh && !w.keys.empty() && w.fill.size() == buckets) return;
  w.stride = (std::size_t{ahigh} | 3) + 1;
  w.keys.assign(lanes * w.stride, 0);
  w.keys_plus.assign(lanes * w.stride, 0);
  w.slots.assign(buckets * bucket_slots, 0);
  w.fill.assign(buckets, 0);
  w.bucket_shift = 32 - std::bit_width(buckets - 1);
  w.ahigh = ahigh;
}

/// 2^e mod p by plain binary powering with 128-bit remainders, for the
/// rare exact check of a matching key (kept out of the lookup loop).
[[gnu::noinline, gnu::cold]] std::uint64_t pow2_exact(std::uint64_t e, std::uint64_t p) {
  using u128 = unsigned __int128;
  std::uint64_t result = 1 % p, base = 2 % p;
  for (; e != 0; e >>= 1) {
    if (e & 1) result = static_cast<std::uint64_t>(static_cast<u128>(result) * base % p);
    base = static_cast<std::uint64_t>(static_cast<u128>(base) * base % p);
  }
  return result;
}

/// The table of one prime, with the work object's arrays in locals, where
/// no store can alias them.
class exponent_buckets {
 public:
  exponent_buckets(nm_work_t& w, std::size_t lane, std::uint64_t p)
      : slots_(w.slots.data()),
        fill_(w.fill.data()),
        buckets_(w.fill.size()),
        keys_(w.keys.data() + lane * w.stride),
        p_(p),
        shift_(w.bucket_shift),
        spill_(w.spill) {
    clear();
  }

  /// Stores exponent b (its key is keys_[b]) at the bucket's fill count
  /// taken modulo eight; whether any bucket took more than eight is told by
  /// crowded().
  void store(std::uint32_t key, std::uint32_t b) {
    const std::uint32_t bucket = key >> shift_;
    const std::uint32_t used = fill_[bucket];
    slots_[bucket * bucket_slots + (used & (bucket_slots - 1))] = (key << 16) | b;
    fill_[bucket] = static_cast<std::uint16_t>(used + 1);
    crowd_ |= used;
  }

  /// Whether some bucket was given a ninth exponent since the last clear.
  bool crowded() const { return crowd_ >= bucket_slots; }

  /// store for a table that crowded: the exponents past a bucket's eighth
  /// go to the spill list.
  void store_or_spill(std::uint32_t key, std::uint32_t b) {
    if (fill_[key >> shift_] < bucket_slots) {
      store(key, b);
    } else {
      spill_.emplace_back(key, b);
      spilled_ = true;
    }
  }

  void clear() {
    std::memset(fill_, 0, buckets_ * sizeof fill_[0]);
    spill_.clear();
    spilled_ = false;
    crowd_ = 0;
  }

  /// The exponent b, 1 <= b <= stored, with 2^b == 2^a + 1 (the key of
  /// the right side is `key`), or 0; the powers of 1 .. stored are
  /// distinct, so there is at most one.
  std::uint32_t lookup(std::uint32_t key, std::uint32_t a, std::uint32_t stored) const {
    const std::uint32_t* const bucket = slots_ + (key >> shift_) * bucket_slots;
    for (unsigned match = tag_matches(bucket, key << 16); match != 0; match &= match - 1) {
      const std::uint32_t b = bucket[std::countr_zero(match) >> 1] & 0xFFFFu;
      if (b >= 1 && b <= stored && keys_[b] == key && solves(a, b)) return b;
    }
    if (spilled_) [[unlikely]] {
      for (const auto& [k, b] : spill_)
        if (k == key && solves(a, b)) return b;
    }
    return 0;
  }

 private:
  /// Whether 2^b == 2^a + 1 (mod p): the full check behind a key match.
  bool solves(std::uint32_t a, std::uint32_t b) const {
    return pow2_exact(b, p_) == pow2_exact(a, p_) + 1;
  }

  /// Bit 2i set when the high half (the tag) of slot i equals that of
  /// `tag`, for the eight slots of a bucket.
  static unsigned tag_matches(const std::uint32_t* slots, std::uint32_t tag) {
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi32(static_cast<int>(0xFFFF0000u));
    const __m128i want = _mm_set1_epi32(static_cast<int>(tag & 0xFFFF0000u));
    const auto* v = reinterpret_cast<const __m128i*>(slots);
    const __m128i lo = _mm_cmpeq_epi32(_mm_and_si128(_mm_loadu_si128(v), high), want);
    const __m128i hi = _mm_cmpeq_epi32(_mm_and_si128(_mm_loadu_si128(v + 1), high), want);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi32(lo, hi))) & 0x5555u;
#else
    unsigned match = 0;
    for (unsigned i = 0; i < bucket_slots; ++i)
      match |= static_cast<unsigned>(((slots[i] ^ tag) >> 16) == 0) << (2 * i);
    return match;
#endif
  }

  std::uint32_t* slots_;
  std::uint16_t* fill_;
  std::size_t buckets_;
  const std::uint32_t* keys_;
  std::uint64_t p_;
  int shift_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>>& spill_;
  bool spilled_ = false;
  std::uint32_t crowd_ = 0;
};

/// Builds a table that crowded again, with the spill list. Out of line: a
/// cold branch inside the search would take the lookups that follow along
/// into the compiler's cold copy of the code.
[[gnu::noinline]] void store_again_with_spill(exponent_buckets& table, const std::uint32_t* keys,
                                              std::uint32_t stored, nm_work_t& w) {
  ++w.crowded_tables;
  table.clear();
  for (std::uint32_t b = 1; b <= stored; ++b) table.store_or_spill(keys[b], b);
}

/// The events of lane `lane` of the keys in `w`, for the prime p with the
/// order of 2 `order` (0 when above ahigh).
void search_prime(const nm_settings_t& s, std::uint64_t p, std::size_t lane, std::uint32_t order,
                  nm_work_t& w, std::vector<nm_event_t>& events) {
  const std::uint32_t ahigh = s.ahigh;
  const std::uint32_t first = std::max(s.alow, nm::first_sieved_row(p));
  if (first > ahigh) return;
  exponent_buckets table(w, lane, p);
  const std::uint32_t* const keys = w.keys.data() + lane * w.stride;
  const std::uint32_t* const keys_plus = w.keys_plus.data() + lane * w.stride;
  // Any b of a row lies in 1 .. ahigh-1; the powers start over after the
  // order, and those up to it are distinct.
  const std::uint32_t stored = order != 0 && order < ahigh ? order : ahigh - 1;
  for (std::uint32_t b = 1; b <= stored; ++b) table.store(keys[b], b);
  if (table.crowded()) store_again_with_spill(table, keys, stored, w);
  for (std::uint32_t a = first; a <= ahigh; ++a) {
    const std::uint32_t b0 = table.lookup(keys_plus[a], a, stored);
    if (b0 != 0 && b0 < a) [[unlikely]]
      events.push_back({a, b0, order != 0 && order < a ? order : 0});
  }
}

}  // namespace

nm_settings_t nm_current_settings() { return {nm_alow, nm_ahigh}; }

std::size_t nm_block_length(const nm_settings_t& s) {
  constexpr std::uint64_t event_budget = 1 << 18;
  constexpr std::size_t longest = 256;
  const std::uint64_t rows = s.ahigh >= s.alow ? std::uint64_t{s.ahigh} - s.alow + 1 : 1;
  return std::clamp<std::size_t>(event_budget / rows, 1, longest);
}

void nm_search_block(const nm_settings_t& s, std::span<const std::uint64_t> primes,
                     nm_work_t& work, nm_hits_t& hits) {
  const std::size_t count = primes.size();
  hits.primes.assign(primes.begin(), primes.end());
  hits.first.assign(count + 1, 0);
  hits.events.clear();
  if (s.alow == 0 || s.ahigh < s.alow) return;  // no row: nothing to strike
  size_work(work, s.ahigh);
  for (std::size_t j = 0; j < count; j += lanes) {
    // A last group of fewer than four primes is padded with its first.
    const std::size_t live = std::min(lanes, count - j);
    std::uint64_t group[lanes];
    std::uint32_t orders[lanes];
    for (std::size_t i = 0; i < lanes; ++i) group[i] = primes[j + (i < live ? i : 0)];
    pow2_keys_4lanes(group, s.ahigh, work.stride, work.keys.data(), work.keys_plus.data(),
                     orders);
    for (std::size_t i = 0; i < live; ++i) {
      search_prime(s, group[i], i, orders[i], work, hits.events);
      hits.first[j + i + 1] = hits.events.size();
    }
  }
}

}  // namespace quorvel
