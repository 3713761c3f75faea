// Sizing of the bucket ring of a stride set, and its block pool. A long
// stride waits in the bucket of the segment it hits next; that segment is at
// most (max_start + max_stride) / S segments ahead, so a ring with more
// buckets than that never hands a bucket two different segments at once.
#include "primes/stride_set.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace quorvel::primes_detail {

void stride_set::reset(std::uint32_t segment_bits, std::uint64_t max_stride,
                       std::uint64_t max_start) {
  QUORVEL_ASSERT(std::has_single_bit(segment_bits));
  segment_bits_ = segment_bits;
  segment_shift_ = static_cast<std::uint32_t>(std::countr_zero(segment_bits));
  short_hits_ = 0;
  short_d_.clear();
  short_next_.clear();
  // Every block goes back to the pool (which starts afresh when the block
  // size changes).
  const std::uint32_t entries = std::max<std::uint32_t>(16, segment_bits / 256);
  if (entries != block_entries_) {
    block_entries_ = entries;
    blocks_.clear();
    block_next_.clear();
  }
  free_blocks_.clear();
  for (std::uint32_t b = 0; b < blocks_.size(); ++b) free_blocks_.push_back(b);
  const std::uint64_t reach = ((max_start + max_stride) >> segment_shift_) + 2;
  const std::uint64_t buckets = std::bit_ceil(reach);
  ring_.assign(buckets, bucket_t{});
  ring_mask_ = buckets - 1;
  cur_segment_ = 0;
}

void stride_set::new_block(bucket_t& b) {
  std::uint32_t block;
  if (free_blocks_.empty()) {
    block = static_cast<std::uint32_t>(blocks_.size());
    blocks_.push_back(std::make_unique_for_overwrite<std::uint64_t[]>(block_entries_));
    block_next_.push_back(no_block);
  } else {
    block = free_blocks_.back();
    free_blocks_.pop_back();
  }
  block_next_[block] = b.head;
  b.head = block;
  b.room = block_entries_;
  ++b.blocks;
}

std::size_t stride_set::strides() const {
  std::size_t n = short_d_.size();
  for (std::uint64_t s = 0; s <= ring_mask_; ++s) n += long_entries(s);
  return n;
}

std::size_t stride_set::bytes_held() const {
  return (short_d_.capacity() + short_next_.capacity()) * sizeof(std::uint32_t) +
         blocks_.size() * (block_entries_ * sizeof(std::uint64_t) + sizeof(std::uint32_t)) +
         ring_.capacity() * sizeof(bucket_t);
}

}  // namespace quorvel::primes_detail
