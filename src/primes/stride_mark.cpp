// The prime sieve's marking loop. A stride d hits bit positions off,
// off + d, off + 2d, ...; eight hits later the position has moved by 8d bits,
// exactly d bytes, and the bit within the byte is the same again. So for a
// given start bit b = off & 7 and residue r = d & 7 the eight hits of a
// block sit at fixed byte offsets j*(d >> 3) + ((b + j*r) >> 3) with fixed
// masks 1 << ((b + j*r) & 7): one kernel per (b, r), 32 in all, marks a
// block with eight or-to-memory instructions.
//
// A stride d with S/8 < d < S hits a segment k = S / d or k + 1 times when
// its next offset is below d (as it is after the first segment). Strides
// are kept in increasing order, so those with equal k sit together; each
// group runs a loop with exactly k marks and one more, which lands on the
// first bit after the segment when the (k+1)-th hit falls outside. That bit
// belongs to the next segment, which is filled afresh afterwards, or to the
// spare word past the window. No loop exit depends on the data, so nothing
// is mispredicted per stride.
#include <array>
#include <cstdint>
#include <utility>

#include "primes/stride_set.hpp"

namespace quorvel::primes_detail {

namespace {

/// Marks the hits from off on below s, two per round; returns the next hit.
inline std::uint32_t mark_plain(std::uint8_t* bytes, std::uint32_t off, std::uint32_t d,
                                std::uint32_t s) {
  for (; off + d < s; off += 2 * d) {
    const std::uint32_t o2 = off + d;
    bytes[off >> 3] |= static_cast<std::uint8_t>(1u << (off & 7));
    bytes[o2 >> 3] |= static_cast<std::uint8_t>(1u << (o2 & 7));
  }
  if (off < s) {
    bytes[off >> 3] |= static_cast<std::uint8_t>(1u << (off & 7));
    off += d;
  }
  return off;
}

using kernel = std::uint8_t* (*)(std::uint8_t* p, std::uint8_t* end, std::uint32_t d);

/// Marks whole blocks of eight hits from p (the byte of the first hit)
/// while the block fits below end; returns the byte of the next hit.
template <unsigned B, unsigned R>
std::uint8_t* mark_blocks(std::uint8_t* p, std::uint8_t* end, std::uint32_t d) {
  const std::size_t q = d >> 3;
  constexpr unsigned c1 = (B + 1 * R) >> 3, c2 = (B + 2 * R) >> 3, c3 = (B + 3 * R) >> 3,
                     c4 = (B + 4 * R) >> 3, c5 = (B + 5 * R) >> 3, c6 = (B + 6 * R) >> 3,
                     c7 = (B + 7 * R) >> 3;
  constexpr std::uint8_t m0 = 1u << B, m1 = 1u << ((B + 1 * R) & 7), m2 = 1u << ((B + 2 * R) & 7),
                         m3 = 1u << ((B + 3 * R) & 7), m4 = 1u << ((B + 4 * R) & 7),
                         m5 = 1u << ((B + 5 * R) & 7), m6 = 1u << ((B + 6 * R) & 7),
                         m7 = 1u << ((B + 7 * R) & 7);
  const std::size_t last = 7 * q + c7;
  if (p >= end || static_cast<std::size_t>(end - p) <= last) return p;
  std::uint8_t* const stop = end - last;
  while (p < stop) {
    p[0] |= m0;
    p[1 * q + c1] |= m1;
    p[2 * q + c2] |= m2;
    p[3 * q + c3] |= m3;
    p[4 * q + c4] |= m4;
    p[5 * q + c5] |= m5;
    p[6 * q + c6] |= m6;
    p[7 * q + c7] |= m7;
    p += d;
  }
  return p;
}

inline void set_bit(std::uint8_t* bytes, std::uint32_t off) {
  bytes[off >> 3] |= static_cast<std::uint8_t>(1u << (off & 7));
}

/// The strides from..to-1, all with S / d = K.
template <unsigned K>
void mark_fixed(std::uint8_t* bytes, const std::uint32_t* d_list, std::uint32_t* next,
                std::size_t from, std::size_t to, std::uint32_t s) {
  for (std::size_t i = from; i < to; ++i) {
    const std::uint32_t d = d_list[i];
    std::uint32_t off = next[i];
    if (off >= d) {  // a stride new to the range
      next[i] = mark_plain(bytes, off, d, s) - s;
      continue;
    }
    for (unsigned j = 0; j < K; ++j) {
      set_bit(bytes, off);
      off += d;
    }
    const bool inside = off < s;
    set_bit(bytes, inside ? off : s);
    off += inside ? d : 0;
    next[i] = off - s;
  }
}

template <std::size_t... I>
constexpr std::array<kernel, 32> make_kernels(std::index_sequence<I...>) {
  // Index (b << 2) | (r >> 1) for r = 1, 3, 5, 7.
  return {&mark_blocks<(I >> 2), 2 * (I & 3) + 1>...};
}

constexpr std::array<kernel, 32> kernels = make_kernels(std::make_index_sequence<32>{});

}  // namespace

void stride_set::mark_segment(std::uint8_t* bytes) {
  const std::uint32_t s = segment_bits_;
  std::uint8_t* const end = bytes + (s >> 3);
  const std::size_t n = short_d_.size();
  const std::uint32_t* d_list = short_d_.data();
  std::uint32_t* next = short_next_.data();
  const std::uint32_t unrolled_limit = s / unrolled_min_hits;
  std::size_t i = 0;
  for (; i < n && d_list[i] < unrolled_limit; ++i) {
    const std::uint32_t d = d_list[i];
    std::uint32_t off = next[i];
    if (off < s) {
      const unsigned b = off & 7;
      std::uint8_t* p = kernels[(b << 2) | ((d & 7) >> 1)](bytes + (off >> 3), end, d);
      off = mark_plain(bytes, static_cast<std::uint32_t>(p - bytes) * 8 + b, d, s);
    }
    next[i] = off - s;
  }
  // Groups of equal k = S / d, from k = 7 down to 1.
  for_each_hit_count_group(d_list, i, n, s, [&]<unsigned K>(std::size_t from, std::size_t to) {
    mark_fixed<K>(bytes, d_list, next, from, to, s);
  });
  run_long_strides([bytes](std::uint32_t off, std::uint32_t) {
    bytes[off >> 3] |= static_cast<std::uint8_t>(1u << (off & 7));
  });
}

}  // namespace quorvel::primes_detail
