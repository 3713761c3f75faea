// The p-1 record's stepping loop: every hit of a stride on a prime (a clear
// bit of the sieved segment) is noted as offset << 32 | stride. Each hit is
// written and the write position moves on only for a prime, so primality
// costs no branch. Short strides are unrolled the way the prime sieve's
// marking is (see stride_mark.cpp): for a start bit b and a residue
// r = d & 7, the eight hits of a block have fixed byte offsets and masks,
// and the noted values of a block step by d << 32. Strides with
// S/8 < d < S run fixed-count loops in groups of equal k = S / d, the
// (k+1)-th hit reading the first bit after the segment when it falls
// outside (see stride_mark.cpp).
#include <array>
#include <cstdint>
#include <utility>

#include "primes/stride_set.hpp"

namespace quorvel::primes_detail {

namespace {

inline bool clear_bit(const std::uint8_t* bytes, std::uint32_t off) {
  return ((bytes[off >> 3] >> (off & 7)) & 1) == 0;
}

using kernel = const std::uint8_t* (*)(const std::uint8_t* p, const std::uint8_t* end,
                                       std::uint32_t d, std::uint64_t*& out, std::uint64_t& e);

/// Notes whole blocks of eight hits from p (the byte of the first hit)
/// while the block fits below end; e is the value of the first hit and
/// moves along. Returns the byte of the next hit.
template <unsigned B, unsigned R>
const std::uint8_t* note_blocks(const std::uint8_t* p, const std::uint8_t* end, std::uint32_t d,
                                std::uint64_t*& out_io, std::uint64_t& e_io) {
  const std::size_t q = d >> 3;
  constexpr unsigned c1 = (B + 1 * R) >> 3, c2 = (B + 2 * R) >> 3, c3 = (B + 3 * R) >> 3,
                     c4 = (B + 4 * R) >> 3, c5 = (B + 5 * R) >> 3, c6 = (B + 6 * R) >> 3,
                     c7 = (B + 7 * R) >> 3;
  constexpr unsigned s0 = B, s1 = (B + 1 * R) & 7, s2 = (B + 2 * R) & 7, s3 = (B + 3 * R) & 7,
                     s4 = (B + 4 * R) & 7, s5 = (B + 5 * R) & 7, s6 = (B + 6 * R) & 7,
                     s7 = (B + 7 * R) & 7;
  const std::size_t last = 7 * q + c7;
  if (p >= end || static_cast<std::size_t>(end - p) <= last) return p;
  const std::uint8_t* const stop = end - last;
  const std::uint64_t inc = std::uint64_t{d} << 32;
  std::uint64_t* out = out_io;
  std::uint64_t e = e_io;
  while (p < stop) {
    *out = e;
    out += ((p[0] >> s0) & 1) ^ 1;
    *out = e + inc;
    out += ((p[1 * q + c1] >> s1) & 1) ^ 1;
    *out = e + 2 * inc;
    out += ((p[2 * q + c2] >> s2) & 1) ^ 1;
    *out = e + 3 * inc;
    out += ((p[3 * q + c3] >> s3) & 1) ^ 1;
    *out = e + 4 * inc;
    out += ((p[4 * q + c4] >> s4) & 1) ^ 1;
    *out = e + 5 * inc;
    out += ((p[5 * q + c5] >> s5) & 1) ^ 1;
    *out = e + 6 * inc;
    out += ((p[6 * q + c6] >> s6) & 1) ^ 1;
    *out = e + 7 * inc;
    out += ((p[7 * q + c7] >> s7) & 1) ^ 1;
    e += 8 * inc;
    p += d;
  }
  out_io = out;
  e_io = e;
  return p;
}

/// The strides from..to-1, all with S / d = K.
template <unsigned K>
void note_fixed(const std::uint8_t* bytes, const std::uint32_t* d_list, std::uint32_t* next,
                std::size_t from, std::size_t to, std::uint32_t s, std::uint64_t*& out_io) {
  std::uint64_t* out = out_io;
  for (std::size_t i = from; i < to; ++i) {
    const std::uint32_t d = d_list[i];
    std::uint32_t off = next[i];
    if (off >= d) {  // a stride new to the range
      for (; off < s; off += d) {
        *out = (std::uint64_t{off} << 32) | d;
        out += clear_bit(bytes, off) ? 1 : 0;
      }
      next[i] = off - s;
      continue;
    }
    for (unsigned j = 0; j < K; ++j) {
      *out = (std::uint64_t{off} << 32) | d;
      out += clear_bit(bytes, off) ? 1 : 0;
      off += d;
    }
    const bool inside = off < s;
    *out = (std::uint64_t{off} << 32) | d;
    out +=
        static_cast<unsigned>(inside) & static_cast<unsigned>(clear_bit(bytes, inside ? off : s));
    off += inside ? d : 0;
    next[i] = off - s;
  }
  out_io = out;
}

template <std::size_t... I>
constexpr std::array<kernel, 32> make_kernels(std::index_sequence<I...>) {
  return {&note_blocks<(I >> 2), 2 * (I & 3) + 1>...};
}

constexpr std::array<kernel, 32> kernels = make_kernels(std::make_index_sequence<32>{});

}  // namespace

std::uint64_t* stride_set::note_segment(const std::uint8_t* bytes, std::uint64_t* out,
                                        std::uint64_t** long_begin) {
  const std::uint32_t s = segment_bits_;
  const std::uint8_t* const end = bytes + (s >> 3);
  const std::size_t n = short_d_.size();
  const std::uint32_t* d_list = short_d_.data();
  std::uint32_t* next = short_next_.data();
  const std::uint32_t unrolled_limit = s / unrolled_min_hits;
  auto note = [bytes, &out](std::uint32_t off, std::uint32_t d) {
    *out = (std::uint64_t{off} << 32) | d;
    out += clear_bit(bytes, off) ? 1 : 0;
  };
  std::size_t i = 0;
  for (; i < n && d_list[i] < unrolled_limit; ++i) {
    const std::uint32_t d = d_list[i];
    std::uint32_t off = next[i];
    if (off < s) {
      const unsigned b = off & 7;
      std::uint64_t e = (std::uint64_t{off} << 32) | d;
      const std::uint8_t* p =
          kernels[(b << 2) | ((d & 7) >> 1)](bytes + (off >> 3), end, d, out, e);
      off = static_cast<std::uint32_t>(p - bytes) * 8 + b;
      for (; off < s; off += d) note(off, d);
    }
    next[i] = off - s;
  }
  // Groups of equal k = S / d, from k = 7 down to 1.
  for_each_hit_count_group(d_list, i, n, s, [&]<unsigned K>(std::size_t from, std::size_t to) {
    note_fixed<K>(bytes, d_list, next, from, to, s, out);
  });
  *long_begin = out;
  run_long_strides(note);
  return out;
}

}  // namespace quorvel::primes_detail
