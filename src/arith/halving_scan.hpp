// Helpers of the halving scans (halving_near_zero_lanes), shared by the
// portable and the vector kernels: halving modulo p, the inverse of p
// modulo 2^64, the test of a value near 0 and the length of the blocks the
// scans jump over. Plain integer code for any odd p < 2^63.
#pragma once

#include <bit>
#include <cstdint>

namespace quorvel {

/// x * 2^-1 mod p for x < p, with h = (p+1)/2: x/2 for even x, (x+p)/2 =
/// (x-1)/2 + h for odd x. No sum exceeds p, so any odd p < 2^64 works.
inline std::uint64_t half_mod(std::uint64_t x, std::uint64_t h) {
  return (x >> 1) + (h & (std::uint64_t{0} - (x & 1)));
}

/// p^-1 mod 2^64 for odd p: 3p XOR 2 is correct to 5 bits, and each Newton
/// step doubles the correct bits (5, 10, 20, 40, 80).
inline std::uint64_t inverse_mod_2_64(std::uint64_t p) {
  std::uint64_t inv = (3 * p) ^ 2;
  for (int i = 0; i < 4; ++i) inv *= 2 - p * inv;
  return inv;
}

/// Whether x lies within b of 0 modulo p (x < p); any b (one of p or more,
/// whose p - b wraps, takes in every x through x <= b).
inline bool near_zero(std::uint64_t x, std::uint64_t p, std::uint64_t b) {
  return x <= b || x >= p - b;
}

/// Longest block of steps the scan jumps over for this prime: k <= 32 with
/// 2^(k+6) * (bound+1) <= p, from the bit lengths (2^(k+6) * (bound+1) <
/// 2^(k+6+bits(bound+1)) = 2^(bits(p)-1) <= p), so that a value passes the
/// block's test with a chance of about 2^-6 at most; at least 1 (a block of
/// one step, whose test is exact).
inline unsigned scan_block_length(std::uint64_t p, std::uint64_t bound) {
  const int k = static_cast<int>(std::bit_width(p)) - 1 - 6 -
                static_cast<int>(std::bit_width(bound + 1));
  return k < 1 ? 1u : k > 32 ? 32u : static_cast<unsigned>(k);
}

/// Chains this short are stepped through one halving at a time: setting
/// up the jumps would cost more.
constexpr std::uint64_t short_scan = 4;

/// Whether one of r, r * 2^-1, ..., r * 2^-(steps-1) mod p lies within b
/// of 0, stepped one halving at a time.
inline bool near_zero_steps(std::uint64_t p, std::uint64_t r, std::uint64_t steps,
                            std::uint64_t b) {
  const std::uint64_t h = (p >> 1) + 1;
  for (std::uint64_t s = 0; s < steps; ++s, r = half_mod(r, h))
    if (near_zero(r, p, b)) return true;
  return false;
}

}  // namespace quorvel
