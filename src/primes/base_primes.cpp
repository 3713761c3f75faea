// The base primes: every prime up to a bound a little above 2^25, stored as
// 16-bit gaps (half the size of a table of 32-bit primes). Built once with a
// plain sieve of Eratosthenes over the odd numbers, one bit each.
#include "primes/base_primes.hpp"

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
  std::vector<std::uint64_t> composite((nbits + 63) / 64, 0);
  std::uint64_t previous = 2;
  for (std::uint64_t i = 1; i < nbits; ++i) {
    if ((composite[i >> 6] >> (i & 63)) & 1) continue;
    const std::uint64_t p = 2 * i + 1;
    aallprimes.push_back(static_cast<std::uint16_t>(p - previous));
    previous = p;
    // Smaller multiples have a smaller prime factor and are marked already.
    for (std::uint64_t j = (p * p - 1) / 2; j < nbits; j += p) {
      composite[j >> 6] |= std::uint64_t{1} << (j & 63);
    }
  }
  aallprimes.shrink_to_fit();
  nprimes = static_cast<std::uint32_t>(aallprimes.size());
  last_base_prime = previous;
}

}  // namespace quorvel
