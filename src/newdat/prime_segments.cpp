// Sieve of Eratosthenes over odd numbers: one byte per odd number of the
// segment, crossed off from max(q*q, first odd multiple of q in the segment)
// in steps of 2q for every odd prime q up to the square root of its end.
// Positions are 64-bit so that a segment ending at 2^32 - 1 never wraps.
#include "newdat/prime_segments.hpp"

#include <algorithm>

namespace quorvel {
namespace {

// Crosses off the odd multiples of q (from q*q on) among the odd numbers
// first, first + 2, ... <= hi; composite[i] stands for first + 2i.
void strike_multiples(std::uint64_t q, std::uint64_t first, std::uint64_t hi,
                      std::vector<unsigned char>& composite) {
  std::uint64_t start = q * q;
  if (start < first) start = (first + q - 1) / q * q;
  if ((start & 1) == 0) start += q;
  for (std::uint64_t x = start; x <= hi; x += 2 * q) composite[(x - first) / 2] = 1;
}

}  // namespace

std::vector<std::uint32_t> primes_up_to(std::uint32_t limit) {
  std::vector<std::uint32_t> primes;
  if (limit < 2) return primes;
  primes.push_back(2);
  if (limit < 3) return primes;
  // One segment from 3, sieved by its own primes as they are found.
  const std::uint64_t count = (std::uint64_t{limit} - 3) / 2 + 1;
  std::vector<unsigned char> composite(count, 0);
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t q = 3 + 2 * i;
    if (q * q > limit) break;
    if (!composite[i]) strike_multiples(q, 3, limit, composite);
  }
  for (std::uint64_t i = 0; i < count; ++i)
    if (!composite[i]) primes.push_back(static_cast<std::uint32_t>(3 + 2 * i));
  return primes;
}

void odd_primes_in(std::uint32_t lo, std::uint32_t hi, const std::vector<std::uint32_t>& base,
                   std::vector<std::uint32_t>& out) {
  out.clear();
  const std::uint64_t first = std::max<std::uint64_t>(lo, 3) | 1;  // first odd >= max(lo, 3)
  if (first > hi) return;
  const std::uint64_t count = (hi - first) / 2 + 1;
  std::vector<unsigned char> composite(count, 0);
  for (const std::uint32_t q : base) {
    if (q < 3) continue;
    if (std::uint64_t{q} * q > hi) break;
    strike_multiples(q, first, hi, composite);
  }
  for (std::uint64_t i = 0; i < count; ++i)
    if (!composite[i]) out.push_back(static_cast<std::uint32_t>(first + 2 * i));
}

}  // namespace quorvel
