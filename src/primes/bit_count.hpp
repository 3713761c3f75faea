// Counting set bits. The portable build targets processors without a
// population-count instruction, where std::popcount becomes a library call;
// the inline bit-slicing count below is faster than that call, and builds
// for newer processors get the instruction itself.
#pragma once

#include <bit>
#include <cstdint>

namespace quorvel::primes_detail {

inline std::uint32_t count_ones(std::uint64_t x) {
#if defined(__POPCNT__)
  return static_cast<std::uint32_t>(std::popcount(x));
#else
  x = x - ((x >> 1) & 0x5555555555555555ULL);
  x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return static_cast<std::uint32_t>((x * 0x0101010101010101ULL) >> 56);
#endif
}

}  // namespace quorvel::primes_detail
