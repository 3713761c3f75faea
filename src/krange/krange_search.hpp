// The k-range modes a block of primes at a time, in two steps:
//
//  * krange_search_block finds, for every prime of a block, the
//    eliminations it makes, without touching a bitmap. It reads only the
//    run's fixed settings and a scratch object of its own, so several
//    blocks can be searched at once, each with its own krange_work_t and
//    krange_hits_t, while the bitmaps change.
//  * krange_apply_prime carries out the eliminations of one prime of a
//    searched block: it sets the bits, and prints the report line of every
//    k that a prime at or above khigh strikes while it is still a candidate.
//    It is the only place where a bit goes from clear to set. Applied prime
//    by prime in increasing p, the blocks give exactly the bitmaps and the
//    console of krange_do_p / krangetwin_do_p called for each prime in turn.
//
// For the prime p, r = 2^-n mod p: p divides k*2^n-1 exactly when k == r and
// k*2^n+1 exactly when k == p-r (mod p). The search takes r at nlow for the
// whole block from one batched power, then follows r <- r*2^-1 over the
// exponents. For p >= khigh a k of the range can be struck only when r or
// p-r is at most khigh, so a batched scan of the chains picks the few primes
// that strike anything, and only those are stepped through exponent by
// exponent; primes below khigh are stepped through always (they walk the
// bitmap for every exponent and side).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvel {

/// What the search and the apply step read about the run; fixed once the
/// mode is set up. Twin mode sieves n = nlow only, both sides, one bitmap.
struct krange_settings_t {
  std::uint64_t klow = 1, khigh = 1;  ///< the odd k from klow (odd) to khigh
  std::uint32_t nlow = 0, nhigh = 0;
  bool dominus = false, doplus = false;
  bool twin = false;

  /// Exponents per prime: nhigh - nlow + 1 (none when nlow > nhigh), 1 in
  /// twin mode; 0 when no side is active.
  std::uint64_t exponents() const;
};

/// The settings of the process-wide configuration (quorvel/config.hpp and
/// the side flags of krange_initialize / krangetwin_initialize).
krange_settings_t krange_current_settings(bool twin);

/// One elimination. For p >= khigh: strike k (odd, klow <= k <= khigh),
/// reporting "p | k*2^n-1" (side -1) or "p | k*2^n+1" (side +1) when it is
/// still a candidate. For p < khigh: strike every k of the walk k, k + 2p,
/// k + 4p, ... up to khigh, k being the walk's first (odd, in range) member;
/// nothing is reported.
struct krange_event_t {
  std::uint64_t k = 0;
  std::uint32_t n = 0;
  std::int32_t side = 0;
};

/// The eliminations of a searched block. The events of primes[j] are
/// events[first[j] .. first[j+1]), in the order the bitmaps take them:
/// exponents ascending, the minus side before the plus side, ending where
/// the chain of 2^-n returns to its value at nlow (every later exponent
/// repeats a residue already handled).
struct krange_hits_t {
  std::vector<std::uint64_t> primes;
  std::vector<std::size_t> first;  ///< primes.size() + 1 entries
  std::vector<krange_event_t> events;
};

/// Scratch of one searching thread, reused from block to block.
struct krange_work_t {
  std::vector<std::uint64_t> starts;  ///< 2^-nlow mod p per prime
  std::vector<std::uint8_t> flags;    ///< the primes that strike anything
};

/// How many primes from p on a block should take at most, so that its
/// events stay within a few megabytes: a prime below khigh makes up to two
/// walks per exponent (at most twice the order of 2 modulo p), a prime p
/// above it about 2 * exponents * khigh / p events; at most 4096, at least
/// one. A single prime below khigh with an exponent range of millions holds
/// that many events (16 bytes each) by itself.
std::size_t krange_block_length(const krange_settings_t& settings, std::uint64_t p);

/// Searches the odd primes 3 <= p < 2^63 of `primes` (any order, any count;
/// a prime appears once per block) and replaces the contents of `hits`
/// with their eliminations.
void krange_search_block(const krange_settings_t& settings, std::span<const std::uint64_t> primes,
                         krange_work_t& work, krange_hits_t& hits);

/// The bitmaps the eliminations go to: side -1 to minus, side +1 to plus
/// (in twin mode both are the one bitmap). Each holds one bit per odd k of
/// the settings' range (krange_bitmapsize bytes).
struct krange_bitmaps_t {
  std::uint8_t* minus = nullptr;
  std::uint8_t* plus = nullptr;
};

/// The bitmaps of the process-wide set-up (krange_files.cpp) for the mode.
krange_bitmaps_t krange_current_bitmaps(bool twin);

/// krange_apply_prime for a prime with at least one event.
std::uint64_t krange_apply_events(const krange_settings_t& settings, const krange_hits_t& hits,
                                  std::size_t j, const krange_bitmaps_t& bitmaps);

/// Carries out the eliminations of hits.primes[j] (see krange_event_t);
/// returns the number of candidates it struck. Report lines go to standard
/// output, flushed, as krange_do_p_sign prints them. Most primes above
/// khigh strike nothing, and cost one comparison here.
inline std::uint64_t krange_apply_prime(const krange_settings_t& settings,
                                        const krange_hits_t& hits, std::size_t j,
                                        const krange_bitmaps_t& bitmaps) {
  if (hits.first[j] == hits.first[j + 1]) return 0;
  return krange_apply_events(settings, hits, j, bitmaps);
}

}  // namespace quorvel
