// The near-Mersenne mode a block of primes at a time, in two steps:
//
//  * nm_search_block finds, for every prime of a block, the pairs (a, b) it
//    eliminates, without touching the bitmap. It reads only the run's fixed
//    settings and a scratch object of its own, so several blocks can be
//    searched at once, each with its own nm_work_t and nm_hits_t, while the
//    bitmap changes.
//  * nm_apply_prime carries out the eliminations of one prime of a searched
//    block and prints the mode's "trying p: " line every tenth prime. It is
//    the only place where a bit goes from clear to set. Applied prime by
//    prime in increasing p, the blocks give exactly the bitmap, the count
//    and the console of nm_do_p called for each prime in turn.
//
// p divides 2^a - 2^b + 1 exactly when 2^b == 2^a + 1 (mod p). For four
// primes at a time the search doubles its way through f_a = 2^a mod p for a
// = 1 .. ahigh, noting the order o of 2 when some f_a is 1. The powers 2^b of the
// distinct exponents b = 1 .. min(o, ahigh - 1) go into a table; each row a
// that is sieved looks up f_a + 1, and the exponent found, b0, is the
// smallest solution of the row when b0 < a (with o known the others are b0
// + o, b0 + 2o, ...; without it two solutions would be more than ahigh apart).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace quorvel {

/// What the search and the apply step read about the run (1 <= alow <=
/// ahigh <= 65535); fixed once the mode is set up.
struct nm_settings_t {
  std::uint32_t alow = 1, ahigh = 1;
};

/// The settings of the process-wide configuration (quorvel/config.hpp).
nm_settings_t nm_current_settings();

/// One elimination: the pairs (a, b), (a, b + step), (a, b + 2 step), ...
/// while below a; step 0 strikes (a, b) alone. alow <= a <= ahigh, 1 <= b < a.
struct nm_event_t {
  std::uint32_t a = 0, b = 0, step = 0;
};

/// The eliminations of a searched block. The events of primes[j] are
/// events[first[j] .. first[j+1]), rows ascending (one event per row).
struct nm_hits_t {
  std::vector<std::uint64_t> primes;
  std::vector<std::size_t> first;  ///< primes.size() + 1 entries
  std::vector<nm_event_t> events;
};

/// Scratch of one searching thread: the keys of the powers of four primes
/// side by side and the table of exponents of one, sized on first use for
/// the settings' ahigh and reused from prime to prime.
struct nm_work_t {
  /// Buckets of the table (a power of two, at least 16); 0 picks the
  /// smallest at least ahigh. A small count crowds the buckets (tests).
  std::uint32_t buckets_wanted = 0;
  /// Tables that crowded and were built again with the spill list.
  std::uint64_t crowded_tables = 0;

  std::uint32_t ahigh = 0;  ///< what the arrays are sized for
  /// Lane i at index i * stride + a: the hash key of 2^a mod p_i and that
  /// of 2^a + 1 (pow2_keys_4lanes).
  std::size_t stride = 0;
  std::vector<std::uint32_t> keys, keys_plus;
  /// 8 slots per bucket, each the low 16 bits of a key (the tag) << 16 | the
  /// exponent; slots at or past a bucket's fill are stale.
  std::vector<std::uint32_t> slots;
  std::vector<std::uint16_t> fill;  ///< exponents given to each bucket
  int bucket_shift = 32;            ///< key >> bucket_shift is the bucket
  std::vector<std::pair<std::uint32_t, std::uint32_t>> spill;  ///< (key, b) of full buckets
};

/// How many primes a block should take at most, so that its events (one
/// per row and prime at most) stay within a few megabytes: at most 256.
std::size_t nm_block_length(const nm_settings_t& settings);

/// Searches the odd primes 3 <= p < 2^63 of `primes` (any order, any count)
/// and replaces the contents of `hits` with their eliminations. Rows a <= 50
/// are sieved only with p < 2^(a-2), as in nm_do_p.
void nm_search_block(const nm_settings_t& settings, std::span<const std::uint64_t> primes,
                     nm_work_t& work, nm_hits_t& hits);

/// The progress count of the apply step: primes applied since the last
/// "trying p: " line (0 .. 9). One per run, carried across ranges.
struct nm_progress_t {
  std::uint32_t cnt = 0;
};

/// Applies hits.primes[j]: first, on every tenth call counted in
/// `progress`, prints "trying p: <p> (<candidates> numbers left)" with the
/// count before this prime; then strikes its pairs in `bitmap` (the layout
/// of nm_bitmap for the settings), lowering `candidates` by one for each
/// pair that was still a candidate. Returns the number of pairs struck.
std::uint64_t nm_apply_prime(const nm_settings_t& settings, const nm_hits_t& hits, std::size_t j,
                             nm_progress_t& progress, std::span<std::uint8_t> bitmap,
                             std::uint64_t& candidates);

}  // namespace quorvel
