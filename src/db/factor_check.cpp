// The factor checks: 2^e mod p by square and multiply over the bits of e,
// each product formed in 128 bits and reduced with %, exact for every
// 64-bit modulus. Equality with p is decided on the number itself, formed
// in 128 bits while it can still be below 2^64.
#include "db/factor_check.hpp"

namespace quorvel {

namespace {

using u128 = unsigned __int128;

std::uint64_t mul_mod(std::uint64_t a, std::uint64_t b, std::uint64_t m) {
  return static_cast<std::uint64_t>(static_cast<u128>(a) * b % m);
}

/// 2^e mod m, m > 1.
std::uint64_t pow2_mod(std::uint64_t e, std::uint64_t m) {
  std::uint64_t result = 1;
  std::uint64_t base = 2 % m;
  while (e != 0) {
    if (e & 1) result = mul_mod(result, base, m);
    base = mul_mod(base, base, m);
    e >>= 1;
  }
  return result;
}

}  // namespace

bool divides_k2n(std::uint64_t p, std::uint64_t k, std::uint64_t n, int sign) {
  if (p < 2) return false;
  const std::uint64_t v = mul_mod(k % p, pow2_mod(n, p), p);  // k*2^n mod p
  return sign > 0 ? v == p - 1 : v == 1;
}

bool k2n_equals(std::uint64_t p, std::uint64_t k, std::uint64_t n, int sign) {
  // For n > 64 a number with k >= 1 is at least 2^65 - 1, above every p;
  // below that k*2^n fits in 128 bits.
  if (n > 64) return false;
  const u128 v = static_cast<u128>(k) << n;
  return sign > 0 ? v + 1 == p : v - 1 == p;
}

bool is_factor_k2n(std::uint64_t p, std::uint64_t k, std::uint64_t n, int sign) {
  return divides_k2n(p, k, n, sign) && !k2n_equals(p, k, n, sign);
}

bool divides_near_mersenne(std::uint64_t p, std::uint64_t a, std::uint64_t b) {
  if (p < 2 || b >= a) return false;
  // 2^a + 1 - 2^b == 0 (mod p)
  const std::uint64_t high = pow2_mod(a, p);
  const std::uint64_t low = pow2_mod(b, p);
  const std::uint64_t high_plus_one = high == p - 1 ? 0 : high + 1;
  return high_plus_one == low;
}

bool near_mersenne_equals(std::uint64_t p, std::uint64_t a, std::uint64_t b) {
  // 2^a - 2^b + 1 >= 2^(a-1) + 1, so a number below 2^64 has a <= 64.
  if (b >= a || a > 64) return false;
  const u128 v = (static_cast<u128>(1) << a) - (static_cast<u128>(1) << b) + 1;
  return v == p;
}

bool is_factor_near_mersenne(std::uint64_t p, std::uint64_t a, std::uint64_t b) {
  return divides_near_mersenne(p, a, b) && !near_mersenne_equals(p, a, b);
}

}  // namespace quorvel
