// Internal state of the sieve window shared by the window sieve, the p-1
// record and the stream walker.
//
// The window holds W odd numbers, one bit each in 64-bit words: bit i (bit
// i & 63 of word i >> 6) stands for sievewindowlow + 1 + 2i, and a set bit
// marks a composite. It is sieved in segments of S bits (S = min(W, 2^19),
// 64 KiB), small enough to stay in the processor's near caches while every
// sieving prime passes over it.
#pragma once

#include <cstdint>
#include <vector>

#include "primes/base_primes.hpp"
#include "primes/stride_set.hpp"

namespace quorvel::primes_detail {

/// Largest segment, in bits (odd numbers).
inline constexpr std::uint32_t max_segment_bits = 1u << 19;

/// The window bitmap, W / 64 words and one spare word: the stride loops
/// may touch the first bit after a segment instead of branching.
extern std::vector<std::uint64_t> window_words;
/// Segment length S in bits; divides W.
extern std::uint32_t segment_bits;

/// The primes after the last one yielded within its word (clear bits of
/// the window), the index they follow and the first index of the word.
/// Emptied whenever a window is sieved.
extern std::uint64_t pending_primes;
extern std::uint32_t pending_after;
extern std::uint32_t pending_base;

/// What a window needs from the base table: its bounds and Q, the first
/// base prime whose square is at least top.
struct window_plan {
  std::uint64_t low = 0;  ///< the even number a below the window
  std::uint64_t top = 0;  ///< a + 2W
  base_cursor q;          ///< Q and its entry in the base table
};

/// A stride set that follows the windows of one range forward. It is kept
/// from one window to the next when the new window starts where the last
/// one ended and nothing else changed; otherwise it starts afresh.
struct stride_run {
  stride_set set;
  base_cursor next;  ///< next base prime to add
  std::uint64_t next_low = ~std::uint64_t{0};
  std::uint32_t generation = 0;  ///< base_generation it was built from
  std::uint32_t window = 0;      ///< W it was built for

  /// Whether the run can go on with the window `plan`; if not, empties it
  /// and puts `next` on the first base prime >= first_prime.
  void prepare(const window_plan& plan, std::uint64_t first_prime);
  /// Adds the base primes from `next` up to Q of `plan`, each prime d as a
  /// stride whose first hit lies first_hit(d) positions into the window.
  template <class FirstHit>
  void add_up_to_q(const window_plan& plan, FirstHit&& first_hit) {
    while (next.index <= plan.q.index) {
      set.add(static_cast<std::uint32_t>(next.value), first_hit(next.value));
      if (next.index + 1 >= nprimes) {
        next.index = nprimes;  // the table is used up
        break;
      }
      next.advance();
    }
  }
  /// Records that the run has passed the window `plan`.
  void finish(const window_plan& plan) { next_low = plan.top; }
};

/// The p-1 record, built segment by segment while the window is sieved.
/// begin clears it and brings its strides up to Q; segment runs over the
/// freshly sieved segment with index s; end seals it.
void pminus1_begin_window(const window_plan& plan);
void pminus1_segment(std::uint32_t s);
void pminus1_end_window(const window_plan& plan);
/// Marks the record as not describing the current window.
void pminus1_invalidate();

/// The stride set of the record.
const stride_set& pminus1_strides();

/// Strides (sieving primes) the stream holds now, the sieve's and the
/// record's, and the bytes held for them.
std::size_t strides_held();
std::size_t stride_bytes_held();

}  // namespace quorvel::primes_detail
