// The base primes: every prime up to a bound a little above 2^25, extended
// once up to a little above 2^26 by the first window that needs more, stored
// as 16-bit gaps (half the size of a table of 32-bit primes). Built with a
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

const std::uint32_t base_prime_bound = 33555456;

std::vector<std::uint16_t> aallprimes;
std::uint32_t nprimes = 0;

namespace primes_detail {

std::uint32_t base_generation = 0;
std::uint64_t last_base_prime = 0;
std::uint32_t base_reach = 0;

}  // namespace primes_detail

namespace {

/// Appends the primes in (last_base_prime, limit] to the table, sieving the
/// odd numbers from the one after last_base_prime in segments with the odd
/// primes up to the square root of limit.
void append_primes(std::uint32_t limit) {
  using primes_detail::last_base_prime;
  // Bit i stands for the odd number first + 2i; a set bit marks a composite.
  const std::uint64_t first = last_base_prime < 3 ? 1 : last_base_prime + 2;
  if (first > limit) return;
  const std::uint64_t nbits = (static_cast<std::uint64_t>(limit) - first) / 2 + 1;
  std::uint32_t root = static_cast<std::uint32_t>(std::sqrt(static_cast<double>(limit)));
  while (std::uint64_t{root} * root > limit) --root;
  while (std::uint64_t{root + 1} * (root + 1) <= limit) ++root;
  std::vector<std::uint8_t> small(root + 1, 0);
  std::vector<std::uint64_t> sieving, next;
  for (std::uint64_t q = 3; q <= root; q += 2) {
    if (small[q] != 0) continue;
    sieving.push_back(q);
    // The first odd multiple at or above max(q^2, first): smaller multiples
    // have a smaller factor.
    std::uint64_t m = std::max(q * q, (first + q - 1) / q * q);
    if (m % 2 == 0) m += q;
    next.push_back((m - first) / 2);
    for (std::uint64_t x = q * q; x <= root; x += 2 * q) small[x] = 1;
  }
  constexpr std::uint64_t segment_bits = std::uint64_t{1} << 18;  // 32 KiB
  std::vector<std::uint64_t> composite(segment_bits / 64);
  std::uint64_t previous = last_base_prime;
  for (std::uint64_t lo = 0; lo < nbits; lo += segment_bits) {
    const std::uint64_t bits = std::min(segment_bits, nbits - lo);
    const std::uint64_t words = (bits + 63) / 64;
    std::fill_n(composite.begin(), words, 0);
    composite[0] |= (lo == 0 && first == 1) ? 1 : 0;  // the number 1
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
            first + 2 * (lo + 64 * w + static_cast<std::uint64_t>(__builtin_ctzll(prime_bits)));
        aallprimes.push_back(static_cast<std::uint16_t>(p - previous));
        previous = p;
      }
    }
  }
  nprimes = static_cast<std::uint32_t>(aallprimes.size());
  last_base_prime = previous;
}

}  // namespace

void eratosthenes_base(std::uint32_t limit) {
  using primes_detail::base_generation;
  using primes_detail::base_reach;
  using primes_detail::last_base_prime;
  aallprimes.clear();
  aallprimes.push_back(2);
  nprimes = 1;
  last_base_prime = 2;
  base_reach = limit;
  ++base_generation;
  if (limit < 2) {
    aallprimes.clear();
    nprimes = 0;
    last_base_prime = 0;
    return;
  }
  append_primes(limit);
  aallprimes.shrink_to_fit();
}

namespace primes_detail {

void extend_base_primes(std::uint32_t limit) {
  if (base_reach < base_prime_bound || limit <= base_reach) return;
  append_primes(limit);
  aallprimes.shrink_to_fit();
  base_reach = limit;
  ++base_generation;
}

}  // namespace primes_detail

}  // namespace quorvel
