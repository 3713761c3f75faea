// A set of odd prime strides walking forward through a stream of positions
// that is cut into segments of S positions (S a power of two). For each
// segment in turn, the set reports every position of the segment that a
// stride hits. Strides shorter than a segment keep their next offset in a
// flat list and are visited every segment; longer ones hit a segment at
// most once and wait in a ring of buckets, one per coming segment, so that
// a segment only sees the strides that hit it.
//
// Every stride takes 8 bytes: a short one its length and next offset (4
// bytes each), a long one an entry d << 32 | offset in its bucket. The
// buckets are chains of fixed-size blocks from one pool: a block that a
// segment has used up goes back to the pool, so the set holds about as many
// blocks as it has long strides (plus a part-filled one per bucket),
// however unevenly they spread over the buckets.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "quorvel/macros.hpp"

namespace quorvel::primes_detail {

/// Short strides below segment_bits / this hit a segment at least this
/// often and run unrolled blocks of eight hits; the longer short strides
/// run in groups of equal hit count (for_each_hit_count_group).
inline constexpr std::uint32_t unrolled_min_hits = 8;

/// For the short strides d_list[from .. n) (increasing, every d with
/// s / unrolled_min_hits <= d < s) calls group.template operator()<K>(begin,
/// end) for each run of strides with s / d = K, K = unrolled_min_hits - 1
/// down to 1; runs may be empty.
template <unsigned K = unrolled_min_hits - 1, class Group>
void for_each_hit_count_group(const std::uint32_t* d_list, std::size_t from, std::size_t n,
                              std::uint32_t s, Group&& group) {
  const std::size_t to =
      static_cast<std::size_t>(std::lower_bound(d_list + from, d_list + n, s / K + 1) - d_list);
  group.template operator()<K>(from, to);
  if constexpr (K > 1) for_each_hit_count_group<K - 1>(d_list, to, n, s, group);
}

class stride_set {
 public:
  /// Empties the set; segments are `segment_bits` positions long and no
  /// stride will ever be longer than `max_stride`, nor be added further
  /// than `max_start` positions ahead of the current segment's start.
  void reset(std::uint32_t segment_bits, std::uint64_t max_stride, std::uint64_t max_start);

  /// Adds stride d whose first hit lies `start` positions after the start of
  /// the current segment. Strides must be added in increasing order.
  void add(std::uint32_t d, std::uint64_t start) {
    QUORVEL_ASSERT(d % 2 == 1 && (d >= segment_bits_ || start <= 0xFFFFFFFFu));
    if (d < segment_bits_) {
      short_hits_ += segment_bits_ / d + 1;
      short_d_.push_back(d);
      short_next_.push_back(static_cast<std::uint32_t>(start));
    } else {
      push_long(cur_segment_ + (start >> segment_shift_), d,
                static_cast<std::uint32_t>(start & (segment_bits_ - 1)));
    }
  }

  /// Calls hit(offset, d) for every hit of a short stride in the current
  /// segment (offsets below S), stride by stride in increasing order.
  /// run_long_strides must follow.
  template <class Hit>
  void run_short_strides(Hit&& hit) {
    const std::uint32_t s = segment_bits_;
    const std::size_t n = short_d_.size();
    const std::uint32_t* d_list = short_d_.data();
    std::uint32_t* next = short_next_.data();
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t d = d_list[i];
      std::uint32_t off = next[i];
      for (; off < s; off += d) hit(off, d);
      next[i] = off - s;
    }
  }

  /// Calls hit(offset, d) for every hit of a long stride in the current
  /// segment, in no particular order; then moves to the next segment.
  template <class Hit>
  void run_long_strides(Hit&& hit) {
    bucket_t& bucket = ring_[cur_segment_ & ring_mask_];
    // The chain is taken off the bucket first: the strides go on to later
    // buckets only, and the blocks are handed back one by one.
    std::uint32_t block = bucket.head;
    std::uint32_t count = block_entries_ - bucket.room;
    bucket = bucket_t{};
    while (block != no_block) {
      const std::uint64_t* entries = blocks_[block].get();
      for (std::uint32_t j = 0; j < count; ++j) {
        const std::uint64_t e = entries[j];
        const std::uint32_t off = static_cast<std::uint32_t>(e);
        const std::uint32_t d = static_cast<std::uint32_t>(e >> 32);
        hit(off, d);
        const std::uint64_t pos = std::uint64_t{off} + d;
        push_long(cur_segment_ + (pos >> segment_shift_), d,
                  static_cast<std::uint32_t>(pos & (segment_bits_ - 1)));
      }
      const std::uint32_t next = block_next_[block];
      free_blocks_.push_back(block);
      block = next;
      count = block_entries_;
    }
    ++cur_segment_;
  }

  /// At least as many as the hits the current segment will report.
  std::size_t hit_bound() const { return short_hits_ + long_entries(cur_segment_); }

  /// Strides held in all, and bytes held for them (stride lists and blocks).
  std::size_t strides() const;
  std::size_t bytes_held() const;

  /// Both runs with a hit that writes offset << 32 | d to out and moves out
  /// on when bit `offset` of the segment is clear; the short strides
  /// unrolled. Returns the end of what was written (at most hit_bound()
  /// entries); *long_begin receives where the long strides' part begins.
  /// May read the first bit after the segment.
  std::uint64_t* note_segment(const std::uint8_t* bytes, std::uint64_t* out,
                              std::uint64_t** long_begin);

  /// Both runs with a hit that sets bit `offset` of the segment (bit
  /// offset & 7 of byte offset >> 3), the short strides unrolled. May also
  /// set the first bit after the segment.
  void mark_segment(std::uint8_t* bytes);

 private:
  static constexpr std::uint32_t no_block = ~std::uint32_t{0};

  /// A bucket: the chain of its blocks, newest first; only the newest one
  /// may have room left, the others are full.
  struct bucket_t {
    std::uint32_t head = no_block;
    std::uint32_t room = 0;  ///< free entries in the newest block
    std::size_t blocks = 0;
  };

  void push_long(std::uint64_t segment, std::uint32_t d, std::uint32_t off) {
    QUORVEL_ASSERT(segment >= cur_segment_ && segment - cur_segment_ <= ring_mask_);
    bucket_t& b = ring_[segment & ring_mask_];
    if (b.room == 0) [[unlikely]]
      new_block(b);
    blocks_[b.head][block_entries_ - b.room--] = (std::uint64_t{d} << 32) | off;
  }

  /// Puts a fresh block in front of the chain of b.
  void new_block(bucket_t& b);

  /// Entries in the bucket of `segment`.
  std::size_t long_entries(std::uint64_t segment) const {
    const bucket_t& b = ring_[segment & ring_mask_];
    return b.blocks * block_entries_ - b.room;
  }

  std::uint32_t segment_bits_ = 1;
  std::uint32_t segment_shift_ = 0;
  std::size_t short_hits_ = 0;  ///< sum of S / d + 1 over the short strides
  std::vector<std::uint32_t> short_d_;
  std::vector<std::uint32_t> short_next_;
  std::vector<bucket_t> ring_;
  std::uint64_t ring_mask_ = 0;
  std::uint64_t cur_segment_ = 0;
  /// Entries per block: S / 256 (2048 for the largest segments, 16 KiB),
  /// at least 16, so that the part-filled blocks, one per bucket, hold
  /// about 3/256 bytes per unit of the longest stride whatever S is.
  std::uint32_t block_entries_ = 16;
  /// The block pool: every block ever made (its address never moves), the
  /// link to the next block of its chain, and the blocks not in a chain.
  std::vector<std::unique_ptr<std::uint64_t[]>> blocks_;
  std::vector<std::uint32_t> block_next_;
  std::vector<std::uint32_t> free_blocks_;
};

}  // namespace quorvel::primes_detail
