// Sizing of the bucket ring of a stride set. A long stride waits in the
// bucket of the segment it hits next; that segment is at most
// (max_start + max_stride) / S segments ahead, so a ring with more buckets
// than that never hands a bucket two different segments at once.
#include "primes/stride_set.hpp"

#include <bit>
#include <cstdint>

namespace quorvel::primes_detail {

void stride_set::reset(std::uint32_t segment_bits, std::uint64_t max_stride,
                       std::uint64_t max_start) {
  segment_bits_ = segment_bits;
  segment_shift_ = static_cast<std::uint32_t>(std::countr_zero(segment_bits));
  short_hits_ = 0;
  short_d_.clear();
  short_next_.clear();
  const std::uint64_t reach = ((max_start + max_stride) >> segment_shift_) + 2;
  const std::uint64_t buckets = std::bit_ceil(reach);
  if (ring_.size() != buckets) {
    ring_.clear();
    ring_.resize(buckets);
  } else {
    for (auto& b : ring_) b.clear();
  }
  ring_mask_ = buckets - 1;
  cur_segment_ = 0;
}

}  // namespace quorvel::primes_detail
