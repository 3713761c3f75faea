// The base primes: every prime up to a bound a little above 2^26, stored as
// 16-bit gaps (half the size of a table of 32-bit primes). Built once with a
// sieve of Eratosthenes over the odd numbers, one bit each, in segments that
// stay in the first-level cache; the primes are read off each segment a word
// at a time.
#include "primes/base_primes.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "primes/prime_stream.hpp"

namespace quorvel {

const std::uint32_t base_prime_bound = 67174400;

std::vector<std::uint16_t> aallprimes;
std::uint32_t nprimes = 0;

namespace primes_detail {

std::uint32_t base_generation = 0;
std::uint64_t last_base_prime = 0;

}  // namespace primes_detail

void eratosthenes_base(std::uint32_t limit) {
  using primes_detail::base_generation;
  using primes_detail::last_base_prime;
  aallprimes.clear();
  aallprimes.push_back(2);
  nprimes = 1;
  last_base_prime = 2;
  ++base_generation;
  if (limit < 3) {
    if (limit < 2) {
      aallprimes.clear();
      nprimes = 0;
      last_base_prime = 0;
    }
    return;
  }
  // Bit i stands for the odd number 2i + 1; a set bit marks a composite.
  const std::uint64_t nbits = (static_cast<std::uint64_t>(limit) - 1) / 2 + 1;
  // The odd primes up to the square root of the limit sieve the segments.
  std::uint32_t root = static_cast<std::uint32_t>(std::sqrt(static_cast<double>(limit)));
  while (std::uint64_t{root} * root > limit) --root;
  while (std::uint64_t{root + 1} * (root + 1) <= limit) ++root;
  std::vector<std::uint8_t> small(root + 1, 0);
  std::vector<std::uint64_t> sieving, next;
  for (std::uint64_t q = 3; q <= root; q += 2) {
    if (small[q] != 0) continue;
    sieving.push_back(q);
    next.push_back((q * q - 1) / 2);  // smaller multiples have a smaller factor
    for (std::uint64_t m = q * q; m <= root; m += 2 * q) small[m] = 1;
  }
  constexpr std::uint64_t segment_bits = std::uint64_t{1} << 18;  // 32 KiB
  std::vector<std::uint64_t> composite(segment_bits / 64);
  std::uint64_t previous = 2;
  for (std::uint64_t lo = 0; lo < nbits; lo += segment_bits) {
    const std::uint64_t bits = std::min(segment_bits, nbits - lo);
    const std::uint64_t words = (bits + 63) / 64;
    std::fill_n(composite.begin(), words, 0);
    composite[0] |= lo == 0 ? 1 : 0;  // the number 1
    for (std::size_t s = 0; s < sieving.size(); ++s) {
      std::uint64_t j = next[s] - lo;
      for (; j < bits; j += sieving[s]) composite[j >> 6] |= std::uint64_t{1} << (j & 63);
      next[s] = lo + j;
    }
    if (bits % 64 != 0) composite[words - 1] |= ~std::uint64_t{0} << (bits % 64);
    for (std::uint64_t w = 0; w < words; ++w) {
      for (std::uint64_t prime_bits = ~composite[w]; prime_bits != 0;
           prime_bits &= prime_bits - 1) {
        const std::uint64_t p =
            2 * (lo + 64 * w + static_cast<std::uint64_t>(__builtin_ctzll(prime_bits))) + 1;
        aallprimes.push_back(static_cast<std::uint16_t>(p - previous));
        previous = p;
      }
    }
  }
  aallprimes.shrink_to_fit();
  nprimes = static_cast<std::uint32_t>(aallprimes.size());
  last_base_prime = previous;
}

}  // namespace quorvel
