// The generator's reference: a direct factor search over every number of a
// range. For each prime p up to the bound it walks k*2^n mod p through the
// whole n range by doubling (started by plain powering), so it shares
// nothing with the discrete-logarithm sieve it checks. Built on the shared
// references (128-bit products, plain sieve, trial division).
#pragma once

#include <cstdint>
#include <vector>

#include "reference/reference.hpp"

namespace quorvel::test {

using ref::u128;

/// Every prime <= limit, from the plain sieve.
inline std::vector<std::uint32_t> ref_primes(std::uint32_t limit) {
  std::vector<std::uint32_t> primes;
  for (const std::uint64_t p : ref::primes_between(2, limit))
    primes.push_back(static_cast<std::uint32_t>(p));
  return primes;
}

/// N = k*2^n+1 (proth) or k*2^n-1 exactly, for k >= 1 and n < 96.
inline u128 ref_number(bool proth, std::uint64_t k, std::uint64_t n) {
  const u128 kp = static_cast<u128>(k) << n;
  return proth ? kp + 1 : kp - 1;
}

/// The n in nmin..nmax for which N = k*2^n+1 (proth) or k*2^n-1 is at least
/// 2 and has no prime factor p <= bound other than N itself. `primes` = all
/// primes up to the bound.
inline std::vector<std::uint32_t> ref_candidates(bool proth, std::uint64_t k, std::uint32_t nmin,
                                                 std::uint32_t nmax,
                                                 const std::vector<std::uint32_t>& primes) {
  const std::size_t len = static_cast<std::size_t>(nmax - nmin) + 1;
  std::vector<bool> has_factor(len, false);
  for (const std::uint32_t p : primes) {
    std::uint64_t t = ref::mulmod(k % p, ref::powmod(2, nmin, p), p);  // k*2^n mod p
    for (std::size_t i = 0; i < len; ++i) {
      const std::uint64_t r = proth ? (t + 1) % p : (t + p - 1) % p;
      const std::uint64_t n = nmin + i;
      // A number that is this prime itself has no smaller factor.
      if (r == 0 && !(n < 96 && ref_number(proth, k, n) == p)) has_factor[i] = true;
      t = 2 * t % p;
    }
  }
  std::vector<std::uint32_t> keep;
  for (std::size_t i = 0; i < len; ++i) {
    const std::uint64_t n = nmin + i;
    if (n < 96 && ref_number(proth, k, n) < 2) continue;  // 0 and 1 are not prime
    if (!has_factor[i]) keep.push_back(static_cast<std::uint32_t>(n));
  }
  return keep;
}

}  // namespace quorvel::test
