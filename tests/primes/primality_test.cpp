// The 64-bit primality test against the references: the plain sieve for
// every number below 10^6, 12-base Miller-Rabin (128-bit arithmetic) for
// seeded random and edge numbers up to 2^64, and each half of the test
// against a reference of its own: Miller-Rabin to base 2 alone, and the
// Lucas sequences by powers of their 2x2 matrix. The composites that pass
// one half (pseudoprimes) must fail the whole test.
#include "primes/primality.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "reference/reference.hpp"

namespace quorvel::test {
namespace {

using u128 = unsigned __int128;

/// Miller-Rabin to base 2 alone, with 128-bit products.
bool ref_sprp2(std::uint64_t n) {
  std::uint64_t d = n - 1;
  int s = 0;
  while ((d & 1) == 0) {
    d >>= 1;
    ++s;
  }
  std::uint64_t x = ref::powmod(2, d, n);
  if (x == 1 || x == n - 1) return true;
  for (int r = 1; r < s; ++r) {
    x = ref::mulmod(x, x, n);
    if (x == n - 1) return true;
  }
  return false;
}

/// (a - b) mod n for a, b < n.
std::uint64_t sub_mod(std::uint64_t a, std::uint64_t b, std::uint64_t n) {
  return a >= b ? a - b : a + (n - b);
}

/// x mod n for a signed x.
std::uint64_t signed_mod(std::int64_t x, std::uint64_t n) {
  const std::uint64_t m = static_cast<std::uint64_t>(x < 0 ? -x : x) % n;
  return x < 0 && m != 0 ? n - m : m;
}

/// (U_k, V_k) mod n for P = 1 and Q from the k-th power of the matrix
/// [[1, -Q], [1, 0]], which maps (U_j, U_(j-1)) to (U_(j+1), U_j):
/// its power holds U_(k+1), U_k, U_(k-1), and V_k = U_(k+1) - Q U_(k-1).
std::array<std::uint64_t, 2> lucas_uv(std::uint64_t k, std::int64_t q, std::uint64_t n) {
  using mat = std::array<std::uint64_t, 4>;
  auto mul = [n](const mat& a, const mat& b) {
    auto dot = [n](std::uint64_t x, std::uint64_t y, std::uint64_t z, std::uint64_t w) {
      return static_cast<std::uint64_t>(
          (static_cast<u128>(ref::mulmod(x, y, n)) + ref::mulmod(z, w, n)) % n);
    };
    return mat{dot(a[0], b[0], a[1], b[2]), dot(a[0], b[1], a[1], b[3]),
               dot(a[2], b[0], a[3], b[2]), dot(a[2], b[1], a[3], b[3])};
  };
  const std::uint64_t qn = signed_mod(q, n);
  mat base{1 % n, sub_mod(0, qn, n), 1 % n, 0};
  mat r{1 % n, 0, 0, 1 % n};
  for (std::uint64_t e = k; e != 0; e >>= 1) {
    if (e & 1) r = mul(r, base);
    base = mul(base, base);
  }
  // r = [[U_(k+1), -Q U_k], [U_k, -Q U_(k-1)]].
  const std::uint64_t u_k = r[2];
  const std::uint64_t v_k = static_cast<std::uint64_t>((static_cast<u128>(r[0]) + r[3]) % n);
  return {u_k, v_k};
}

int ref_jacobi(std::int64_t d, std::uint64_t n) {
  // Euler's criterion needs n prime; use the factorisation-free binary
  // algorithm written out here instead.
  std::uint64_t a = signed_mod(d, n);
  int t = 1;
  while (a != 0) {
    while (a % 2 == 0) {
      a /= 2;
      if (n % 8 == 3 || n % 8 == 5) t = -t;
    }
    std::swap(a, n);
    if (a % 4 == 3 && n % 4 == 3) t = -t;
    a %= n;
  }
  return n == 1 ? t : 0;
}

/// The strong Lucas test with Selfridge's parameters from the matrix
/// reference.
bool ref_strong_lucas(std::uint64_t n) {
  std::int64_t d = 5;
  for (;;) {
    const int j = ref_jacobi(d, n);
    if (j == -1) break;
    if (j == 0 && static_cast<std::uint64_t>(d < 0 ? -d : d) != n) return false;
    std::uint64_t r = 1;
    while ((r + 1) * (r + 1) <= n) ++r;
    if (r * r == n) return false;
    d = d > 0 ? -(d + 2) : -d + 2;
  }
  const std::int64_t q = (1 - d) / 4;
  std::uint64_t odd = n + 1;
  int s = 0;
  while (odd % 2 == 0) {
    odd /= 2;
    ++s;
  }
  const auto [u, v] = lucas_uv(odd, q, n);
  if (u == 0 || v == 0) return true;
  for (int r = 1; r < s; ++r) {
    if (lucas_uv(odd << r, q, n)[1] == 0) return true;
  }
  return false;
}

TEST(Primality, EveryNumberBelowAMillionMatchesThePlainSieve) {
  std::vector<bool> prime(1000000, false);
  for (std::uint64_t p : ref::primes_between(0, 999999)) prime[p] = true;
  for (std::uint64_t n = 0; n < 1000000; ++n) {
    ASSERT_EQ(is_prime_u64(n), prime[n]) << "n=" << n;
  }
}

TEST(Primality, PseudoprimesOfEachHalfFailTheWholeTest) {
  // Both halves against their references on every odd number from 3 to
  // 2*10^5, and the whole test on those without a factor up to 53; the
  // composites that pass a half are its pseudoprimes.
  std::vector<std::uint64_t> sprp, slprp;
  for (std::uint64_t n = 3; n < 200000; n += 2) {
    const bool two = primes_detail::strong_probable_prime_base2(n);
    const bool lucas = primes_detail::strong_lucas_probable_prime(n);
    ASSERT_EQ(two, ref_sprp2(n)) << "n=" << n;
    ASSERT_EQ(lucas, ref_strong_lucas(n)) << "n=" << n;
    const bool prime = ref::is_prime(n);
    if (!prime && two) sprp.push_back(n);
    if (!prime && lucas) slprp.push_back(n);
    bool small_factor = false;
    for (std::uint64_t q : {3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47, 53})
      small_factor = small_factor || n % q == 0;
    if (n > 53 && !small_factor) {
      ASSERT_EQ(is_prime_no_small_factor(n), prime) << "n=" << n;
    }
  }
  // The smallest pseudoprimes of each half.
  ASSERT_GE(sprp.size(), 15u);
  EXPECT_EQ(sprp[0], 2047u);
  EXPECT_EQ(sprp[1], 3277u);
  ASSERT_GE(slprp.size(), 5u);
  EXPECT_EQ(slprp[0], 5459u);
  EXPECT_EQ(slprp[1], 5777u);
  for (std::uint64_t n : sprp) EXPECT_FALSE(is_prime_u64(n)) << "n=" << n;
  for (std::uint64_t n : slprp) EXPECT_FALSE(is_prime_u64(n)) << "n=" << n;
}

TEST(Primality, LargeNumbersMatchMillerRabin) {
  std::vector<std::uint64_t> ns = {
      3825123056546413051ULL,          // strong pseudoprime to the bases 2 .. 23
      318665857834031151ULL,           // composite
      (std::uint64_t{1} << 61) - 1,    // prime
      (std::uint64_t{1} << 62) - 57,   // near 2^62
      (std::uint64_t{1} << 62) + 135,  // just above
      18446744073709551557ULL,         // the largest prime below 2^64
      18446744073709551615ULL,         // 2^64 - 1
      18446744073709551613ULL,         // 2^64 - 3
      4611686014132420609ULL,          // (2^31 - 1)^2
  };
  // Products of two primes of similar size, up to 2^64.
  std::mt19937_64 rng(62);
  for (int i = 0; i < 200; ++i) {
    const int bits = 20 + static_cast<int>(rng() % 12);
    std::uint64_t a = (rng() >> (64 - bits)) | 1, b = (rng() >> (64 - bits)) | 1;
    while (!ref::is_prime(a)) a += 2;
    while (!ref::is_prime(b)) b += 2;
    ns.push_back(a * b);
    ns.push_back(a * a);
  }
  // Random odd numbers of every size, and runs of consecutive odd numbers
  // near 2^50, 2^61 and 2^62.
  for (int i = 0; i < 10000; ++i) ns.push_back((rng() >> (rng() % 40)) | 1);
  for (int e : {50, 61, 62}) {
    for (std::uint64_t n = (std::uint64_t{1} << e) - 2001; n < (std::uint64_t{1} << e) + 2000;
         n += 2)
      ns.push_back(n);
  }
  std::size_t primes = 0;
  for (std::uint64_t n : ns) {
    const bool want = ref::is_prime(n);
    ASSERT_EQ(is_prime_u64(n), want) << "n=" << n;
    primes += want ? 1 : 0;
  }
  EXPECT_GT(primes, 500u);
  EXPECT_TRUE(ref_sprp2(3825123056546413051ULL));
  EXPECT_FALSE(ref::is_prime(3825123056546413051ULL));
}

}  // namespace
}  // namespace quorvel::test
