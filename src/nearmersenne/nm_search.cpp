// The search step of the near-Mersenne mode (see nm_search.hpp).
//
// The exponent table is bucketed: a multiplicative hash of a power picks a
// bucket of eight slots (at least as many buckets as exponents), and a slot
// holds 16 further bits of the hash as a tag, beside the exponent. Storing
// is a write at the bucket's fill count, without a search for a free slot;
// a lookup compares the eight tags of one bucket at once and checks the
// full power of a matching exponent, so a match of a stale slot (left by an
// earlier prime) or of a tag alone is never taken. A bucket that is full
// passes further powers to a short spill list. Only the fill counts are
// cleared per prime. The hash matters: the powers 2^a below p differ only
// in one high bit, and any bucket chosen from a few plain bits of them
// would take them all.
#include "nearmersenne/nm_search.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "nearmersenne/nm_sieve.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

namespace {

constexpr std::uint32_t bucket_slots = 8;

void size_work(nm_work_t& w, std::uint32_t ahigh) {
  if (w.ahigh == ahigh && !w.powers.empty()) return;
  const std::uint64_t buckets = std::max<std::uint64_t>(16, std::bit_ceil(std::uint64_t{ahigh}));
  w.powers.assign(std::size_t{ahigh} + 1, 0);
  w.slots.assign(buckets * 2 * bucket_slots, 0);
  w.fill.assign(buckets, 0);
  w.bucket_shift = 64 - std::bit_width(buckets - 1);
  w.ahigh = ahigh;
}

/// The table of one prime, with the work object's arrays in locals: the
/// byte stores of the fill counts could otherwise alias every field. A
/// bucket is 16 16-bit words, the eight tags and then the eight exponents.
class exponent_buckets {
 public:
  explicit exponent_buckets(nm_work_t& w)
      : slots_(w.slots.data()),
        fill_(w.fill.data()),
        powers_(w.powers.data()),
        shift_(w.bucket_shift),
        spill_(w.spill) {
    std::memset(fill_, 0, w.fill.size());
    spill_.clear();
  }

  void store(std::uint64_t power, std::uint32_t b) {
    const std::uint64_t h = mix(power);
    const std::uint64_t bucket = h >> shift_;
    const std::uint32_t used = fill_[bucket];
    if (used < bucket_slots) [[likely]] {
      std::uint16_t* const at = slots_ + bucket * (2 * bucket_slots) + used;
      at[0] = tag_of(h);
      at[bucket_slots] = static_cast<std::uint16_t>(b);
      fill_[bucket] = static_cast<std::uint8_t>(used + 1);
    } else {
      spill_.emplace_back(power, b);
      spilled_ = true;
    }
  }

  /// The exponent b, 1 <= b <= stored, with 2^b == power, or 0; the
  /// powers of 1 .. stored are distinct, so there is at most one.
  std::uint32_t lookup(std::uint64_t power, std::uint32_t stored) const {
    const std::uint64_t h = mix(power);
    const std::uint16_t* const bucket = slots_ + (h >> shift_) * (2 * bucket_slots);
    for (unsigned match = tag_matches(bucket, tag_of(h)); match != 0; match &= match - 1) {
      const std::uint32_t b = bucket[bucket_slots + (std::countr_zero(match) >> 1)];
      if (b >= 1 && b <= stored && powers_[b] == power) return b;
    }
    if (spilled_) [[unlikely]] {
      for (const auto& [key, b] : spill_)
        if (key == power) return b;
    }
    return 0;
  }

 private:
  /// Fibonacci hashing: the high bits of the product depend on every bit
  /// of the power. The bucket is the top of it, the tag the 16 bits below
  /// the largest bucket number (16 bits).
  static std::uint64_t mix(std::uint64_t power) { return power * 0x9E3779B97F4A7C15ULL; }
  static std::uint16_t tag_of(std::uint64_t h) { return static_cast<std::uint16_t>(h >> 32); }

  /// Bit 2i set when tags[i] == tag, for the eight slots of a bucket (the
  /// byte mask of a 16-bit comparison, one of its two bits per slot).
  static unsigned tag_matches(const std::uint16_t* tags, std::uint16_t tag) {
#if defined(__SSE2__)
    const __m128i eq = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(tags)),
                                       _mm_set1_epi16(static_cast<short>(tag)));
    return static_cast<unsigned>(_mm_movemask_epi8(eq)) & 0x5555u;
#else
    unsigned match = 0;
    for (unsigned i = 0; i < bucket_slots; ++i)
      match |= static_cast<unsigned>(tags[i] == tag) << (2 * i);
    return match;
#endif
  }

  std::uint16_t* slots_;
  std::uint8_t* fill_;
  const std::uint64_t* powers_;
  int shift_;
  std::vector<std::pair<std::uint64_t, std::uint32_t>>& spill_;
  bool spilled_ = false;
};

/// 2f mod p for f < p < 2^63.
inline std::uint64_t twice(std::uint64_t f, std::uint64_t p) {
  const std::uint64_t t = f + f;
  return t >= p ? t - p : t;
}

void search_prime(const nm_settings_t& s, std::uint64_t p, nm_work_t& w,
                  std::vector<nm_event_t>& events) {
  const std::uint32_t ahigh = s.ahigh;
  const std::uint32_t first = std::max(s.alow, nm::first_sieved_row(p));
  if (first > ahigh) return;
  exponent_buckets table(w);
  std::uint64_t* const powers = w.powers.data();
  // The powers of every exponent; the exponents 1 .. ahigh-1 (any b of a
  // row) are stored up to the order of 2, where the powers start over.
  std::uint64_t f = 1;
  std::uint32_t order = 0;
  std::uint32_t a = 1;
  powers[0] = 1;
  for (; a < ahigh; ++a) {
    f = twice(f, p);
    powers[a] = f;
    table.store(f, a);
    if (f == 1) [[unlikely]] {
      order = a++;
      break;
    }
  }
  for (; a <= ahigh; ++a) {
    f = twice(f, p);
    powers[a] = f;
  }
  const std::uint32_t stored = order != 0 ? order : ahigh - 1;
  for (a = first; a <= ahigh; ++a) {
    // 2^a + 1 = p matches no power below p: no b solves that row.
    const std::uint32_t b0 = table.lookup(powers[a] + 1, stored);
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
  for (std::size_t j = 0; j < count; ++j) {
    search_prime(s, primes[j], work, hits.events);
    hits.first[j + 1] = hits.events.size();
  }
}

}  // namespace quorvel
