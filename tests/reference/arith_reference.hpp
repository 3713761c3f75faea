// Slow, obviously correct references for the modular arithmetic tests:
// products and powers with 128-bit '%', a plain sieve of Eratosthenes,
// primality by trial division with the sieved primes, brute-force gcd,
// inverse and quadratic residues, and the list of test primes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "reference/reference.hpp"

namespace quorvel::reference {

using u128 = unsigned __int128;

// a*b mod m by 128-bit division, and b^e mod m by plain binary powering.
using ref::mulmod;
using ref::powmod;

/// Every prime below `limit`, by a plain sieve of Eratosthenes over the odd
/// numbers (index i stands for 2i + 1).
inline std::vector<std::uint32_t> primes_below(std::uint32_t limit) {
  std::vector<std::uint32_t> primes;
  if (limit > 2) primes.push_back(2);
  const std::uint64_t half = limit / 2;
  std::vector<char> composite(half, 0);
  for (std::uint64_t i = 1; i < half; ++i) {
    if (composite[i]) continue;
    const std::uint64_t q = 2 * i + 1;
    primes.push_back(static_cast<std::uint32_t>(q));
    for (std::uint64_t j = q * q / 2; j < half; j += q) composite[j] = 1;
  }
  return primes;
}

/// Primes up to 2^25 + 1, enough to decide primality of numbers below 2^50.
inline const std::vector<std::uint32_t>& trial_primes() {
  static const std::vector<std::uint32_t> primes = primes_below((1u << 25) + 2);
  return primes;
}

/// Primality of n: by trial division below 2^50, by the 12-base
/// Miller-Rabin test of reference.hpp above.
inline bool is_prime(std::uint64_t n) {
  if (n >= (std::uint64_t{1} << 50)) return ref::is_prime(n);
  if (n < 2) return false;
  for (const std::uint32_t q : trial_primes()) {
    if (static_cast<std::uint64_t>(q) * q > n) return true;
    if (n % q == 0) return false;
  }
  return true;
}

/// Largest prime below n (n > 3).
inline std::uint64_t prime_below(std::uint64_t n) {
  do --n;
  while (!is_prime(n));
  return n;
}

/// Smallest prime above n.
inline std::uint64_t prime_above(std::uint64_t n) {
  do ++n;
  while (!is_prime(n));
  return n;
}

/// The odd primes the kernels are tested with: every odd prime below 200,
/// the primes next to each power of two from 2^8 to 2^62 and next to 3*2^51
/// (where the kernel families change), the five largest primes below 2^50
/// and below 2^62, eight random primes of 49 and 50 bits (seed 2050) and
/// eight of 51 to 62 bits (seed 2062), and primes p whose p-1 is a multiple
/// of 2^10 3^3 5^2 7 11 13 17 19 near 2^52, 2^55, 2^58 and 2^61.
/// Found by trial division below 2^50 and Miller-Rabin above. Slow (a sieve
/// to 2^25): the tests use the copy in test_primes() and one test checks
/// that copy against this.
inline std::vector<std::uint64_t> generate_test_primes() {
  std::vector<std::uint64_t> v;
  for (const std::uint32_t q : primes_below(200))
    if (q > 2) v.push_back(q);
  for (int k = 8; k <= 62; ++k) {
    v.push_back(prime_below(std::uint64_t{1} << k));
    if (k < 62) v.push_back(prime_above(std::uint64_t{1} << k));
  }
  v.push_back(prime_below(std::uint64_t{3} << 51));
  v.push_back(prime_above(std::uint64_t{3} << 51));
  for (const int k : {50, 62}) {
    std::uint64_t top = std::uint64_t{1} << k;
    for (int i = 0; i < 5; ++i) v.push_back(top = prime_below(top));
  }
  std::mt19937_64 rng(2050);
  for (int i = 0; i < 8; ++i) {
    const std::uint64_t low = std::uint64_t{1} << (i < 4 ? 48 : 49);
    v.push_back(prime_above(low + rng() % low));
  }
  std::mt19937_64 rng62(2062);
  for (int i = 0; i < 8; ++i) {
    const std::uint64_t low = std::uint64_t{1} << (50 + i * 11 / 7);
    v.push_back(prime_above(low + rng62() % low));
  }
  const std::uint64_t smooth = 1024ULL * 27 * 25 * 7 * 11 * 13 * 17 * 19;
  for (const int k : {52, 55, 58, 61}) {
    std::uint64_t p = ((std::uint64_t{1} << k) / smooth) * smooth + 1;
    while (!is_prime(p)) p += smooth;
    v.push_back(p);
  }
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

/// generate_test_primes(), written out.
inline const std::vector<std::uint64_t>& test_primes() {
  // clang-format off
  static const std::vector<std::uint64_t> primes = {
      3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47, 53, 59, 61, 67, 71, 73, 79, 83, 89, 97,
      101, 103, 107, 109, 113, 127, 131, 137, 139, 149, 151, 157, 163, 167, 173, 179, 181, 191, 193,
      197, 199, 251, 257, 509, 521, 1021, 1031, 2039, 2053, 4093, 4099, 8191, 8209, 16381, 16411,
      32749, 32771, 65521, 65537, 131071, 131101, 262139, 262147, 524287, 524309, 1048573, 1048583,
      2097143, 2097169, 4194301, 4194319, 8388593, 8388617, 16777213, 16777259, 33554393, 33554467,
      67108859, 67108879, 134217689, 134217757, 268435399, 268435459, 536870909, 536870923,
      1073741789, 1073741827, 2147483647, 2147483659ULL, 4294967291ULL, 4294967311ULL,
      8589934583ULL, 8589934609ULL, 17179869143ULL, 17179869209ULL, 34359738337ULL, 34359738421ULL,
      68719476731ULL, 68719476767ULL, 137438953447ULL, 137438953481ULL, 274877906899ULL,
      274877906951ULL, 549755813881ULL, 549755813911ULL, 1099511627689ULL, 1099511627791ULL,
      2199023255531ULL, 2199023255579ULL, 4398046511093ULL, 4398046511119ULL, 8796093022151ULL,
      8796093022237ULL, 17592186044399ULL, 17592186044423ULL, 35184372088777ULL, 35184372088891ULL,
      70368744177643ULL, 70368744177679ULL, 140737488355213ULL, 140737488355333ULL,
      281474976710597ULL, 281474976710677ULL, 289231404187337ULL, 322926718158659ULL,
      347923155213539ULL, 441758046726259ULL, 562949953421231ULL, 562949953421381ULL,
      956334906966121ULL, 1041941630751701ULL, 1047700096743017ULL, 1101304822941263ULL,
      1125899906842511ULL, 1125899906842553ULL, 1125899906842573ULL, 1125899906842589ULL,
      1125899906842597ULL, 1125899906842679ULL, 1242735430236731ULL, 2251799813685119ULL,
      2251799813685269ULL, 3067341372452537ULL, 4503599627370449ULL, 4503599627370517ULL,
      4503809723212801ULL, 6755399441055731ULL, 6755399441055827ULL, 9007199254740881ULL,
      9007199254740997ULL, 9711042799381243ULL, 18014398509481951ULL, 18014398509482143ULL,
      19252591427439131ULL, 36028797018963913ULL, 36028797018963971ULL, 36029807343129601ULL,
      72057594037927931ULL, 72057594037928017ULL, 81312043711161437ULL, 144115188075855859ULL,
      144115188075855881ULL, 164054866443115033ULL, 288230376151711717ULL, 288230376151711813ULL,
      288232424761881601ULL, 576460752303423433ULL, 576460752303423619ULL, 842176053165326531ULL,
      1152921504606846883ULL, 1152921504606847009ULL, 2305843009213693951ULL,
      2305843009213693967ULL, 2305843754435020801ULL, 3937563645374452543ULL,
      4611686018427387751ULL, 4611686018427387761ULL, 4611686018427387787ULL,
      4611686018427387817ULL, 4611686018427387847ULL};
  // clang-format on
  return primes;
}

/// gcd by trying every candidate divisor from the smaller argument down
/// (gcd(a, 0) = a).
inline std::uint64_t gcd_brute(std::uint64_t a, std::uint64_t b) {
  if (a == 0) return b;
  if (b == 0) return a;
  for (std::uint64_t d = std::min(a, b);; --d)
    if (a % d == 0 && b % d == 0) return d;
}

/// The x in [1, m) with a*x == 1 (mod m) by trying all, or 0 when none.
inline std::uint64_t inverse_brute(std::uint64_t a, std::uint64_t m) {
  for (std::uint64_t x = 1; x < m; ++x)
    if (mulmod(a, x, m) == 1 % m) return x;
  return 0;
}

/// The Legendre symbol (a/q) for an odd prime q from the list of squares
/// modulo q: 0 when q divides a, +1 for a square, -1 otherwise.
inline int legendre_brute(std::uint64_t a, std::uint64_t q) {
  a %= q;
  if (a == 0) return 0;
  for (std::uint64_t x = 1; x < q; ++x)
    if (x * x % q == a) return 1;
  return -1;
}

/// The Jacobi symbol (a/b) for odd b from the factorisation of b by trial
/// division and the Legendre symbols of its prime factors ((a/1) = 1).
inline int jacobi_by_factors(std::uint64_t a, std::uint64_t b) {
  int s = 1;
  for (std::uint64_t q = 3; b > 1; q += 2) {
    if (q * q > b) q = b;
    while (b % q == 0) {
      s *= legendre_brute(a, q);
      b /= q;
    }
  }
  return s;
}

}  // namespace quorvel::reference
