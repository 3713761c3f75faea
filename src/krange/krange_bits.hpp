// Bit addressing of the k-range bitmaps: the odd k of krange_klow ..
// krange_khigh in order, one bit each, least significant bit first; a set bit
// means eliminated. Positions past the last k exist only in the last byte.
#pragma once

#include <cstdint>

#include "quorvel/config.hpp"

namespace quorvel {

/// Number of odd k the bitmaps stand for.
inline std::uint64_t krange_count() {
  return (static_cast<std::uint64_t>(krange_khigh - krange_klow) >> 1) + 1;
}

/// Bit position of the odd k (klow <= k <= khigh).
inline std::uint64_t krange_position(std::uint64_t k) { return (k - krange_klow) >> 1; }

inline bool krange_bit_is_set(const std::uint8_t* bitmap, std::uint64_t pos) {
  return (bitmap[pos >> 3] >> (pos & 7)) & 1;
}

inline void krange_set_bit(std::uint8_t* bitmap, std::uint64_t pos) {
  bitmap[pos >> 3] |= static_cast<std::uint8_t>(1u << (pos & 7));
}

inline void krange_flip_bit(std::uint8_t* bitmap, std::uint64_t pos) {
  bitmap[pos >> 3] ^= static_cast<std::uint8_t>(1u << (pos & 7));
}

}  // namespace quorvel
