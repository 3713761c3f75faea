// The Baillie-PSW primality test (see prime_test.hpp) on Montgomery residues
// modulo the odd n itself, with R = 2^64: every residue is kept in [0, n), so
// the arithmetic is exact for every odd n below 2^64. A product t = a*b of
// two residues is below n*2^64, and with m = (t mod 2^64) * n^-1 mod 2^64
// the value (t - m*n) / 2^64 = hi(t) - hi(m*n) lies in (-n, n): one
// conditional addition of n finishes the reduction.
#include "primes/primality.hpp"

#include <cmath>
#include <cstdint>

namespace quorvel {

namespace {

using u128 = unsigned __int128;

class mont_n {
 public:
  explicit mont_n(std::uint64_t n) : n_(n) {
    // Newton's iteration for n^-1 mod 2^64: 3n XOR 2 is right to 5 bits,
    // and each step doubles the right bits.
    std::uint64_t inv = (3 * n) ^ 2;
    for (int i = 0; i < 4; ++i) inv *= 2 - n * inv;
    ninv_ = inv;
    one_ = (0 - n) % n;  // 2^64 mod n
  }

  std::uint64_t n() const { return n_; }
  /// R mod n, the form of 1.
  std::uint64_t one() const { return one_; }
  /// The form of -1.
  std::uint64_t minus_one() const { return one_ == 0 ? 0 : n_ - one_; }

  std::uint64_t mul(std::uint64_t a, std::uint64_t b) const {
    const u128 t = static_cast<u128>(a) * b;
    const std::uint64_t lo = static_cast<std::uint64_t>(t);
    const std::uint64_t hi = static_cast<std::uint64_t>(t >> 64);
    const std::uint64_t mh = static_cast<std::uint64_t>((static_cast<u128>(lo * ninv_) * n_) >> 64);
    const std::uint64_t r = hi - mh;
    return hi < mh ? r + n_ : r;
  }

  std::uint64_t add(std::uint64_t a, std::uint64_t b) const {
    const std::uint64_t s = a + b;
    return (s < a || s >= n_) ? s - n_ : s;
  }

  std::uint64_t sub(std::uint64_t a, std::uint64_t b) const { return a >= b ? a - b : a - b + n_; }

  /// a/2 mod n: (a + n)/2 for odd a, written so that it cannot overflow.
  std::uint64_t half(std::uint64_t a) const {
    return (a & 1) != 0 ? (a >> 1) + (n_ >> 1) + 1 : a >> 1;
  }

  /// The form of a small non-negative k, by doubling and adding the form of
  /// 1 (no division).
  std::uint64_t from_small(std::uint64_t k) const {
    std::uint64_t r = 0;
    for (int bit = 63 - __builtin_clzll(k | 1); bit >= 0; --bit) {
      r = add(r, r);
      if ((k >> bit) & 1) r = add(r, one_);
    }
    return r;
  }

 private:
  std::uint64_t n_, ninv_, one_;
};

/// The Jacobi symbol (a/n) for odd n, by the binary algorithm.
int jacobi_u64(std::uint64_t a, std::uint64_t n) {
  a %= n;
  int t = 1;
  while (a != 0) {
    while ((a & 1) == 0) {
      a >>= 1;
      const std::uint64_t r = n & 7;
      if (r == 3 || r == 5) t = -t;
    }
    const std::uint64_t x = a;
    a = n;
    n = x;
    if ((a & 3) == 3 && (n & 3) == 3) t = -t;
    a %= n;
  }
  return n == 1 ? t : 0;
}

/// (D/n) for a signed D.
int jacobi_signed(std::int64_t d, std::uint64_t n) {
  if (d >= 0) return jacobi_u64(static_cast<std::uint64_t>(d), n);
  const std::uint64_t m = static_cast<std::uint64_t>(-d) % n;
  return jacobi_u64(m == 0 ? 0 : n - m, n);
}

bool is_square(std::uint64_t n) {
  std::uint64_t r = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(n)));
  while (static_cast<u128>(r) * r > n) --r;
  while (static_cast<u128>(r + 1) * (r + 1) <= n) ++r;
  return r * r == n;
}

/// The form of a signed d modulo n.
std::uint64_t from_signed(const mont_n& m, std::int64_t d) {
  const std::uint64_t a = static_cast<std::uint64_t>(d < 0 ? -d : d) % m.n();
  const std::uint64_t f = m.from_small(a);
  return d < 0 ? m.sub(0, f) : f;
}

constexpr std::uint32_t trial_primes[] = {2,  3,  5,  7,  11, 13, 17, 19,
                                          23, 29, 31, 37, 41, 43, 47, 53};

}  // namespace

namespace primes_detail {

bool strong_probable_prime_base2(std::uint64_t n) {
  const mont_n m(n);
  const int s = __builtin_ctzll(n - 1);
  const std::uint64_t d = (n - 1) >> s;
  // 2^d from the top bit down: a square per bit and a doubling per set bit.
  std::uint64_t x = m.add(m.one(), m.one());
  for (int bit = 62 - __builtin_clzll(d); bit >= 0; --bit) {
    x = m.mul(x, x);
    if ((d >> bit) & 1) x = m.add(x, x);
  }
  const std::uint64_t minus_one = m.minus_one();
  if (x == m.one() || x == minus_one) return true;
  for (int r = 1; r < s; ++r) {
    x = m.mul(x, x);
    if (x == minus_one) return true;
    if (x == m.one()) return false;
  }
  return false;
}

bool strong_lucas_probable_prime(std::uint64_t n) {
  // Selfridge's choice of D: 5, -7, 9, -11, ... A square n has no D with
  // (D/n) = -1, so it is ruled out before the search would run long.
  std::int64_t d = 5;
  for (int tries = 0;; ++tries) {
    const int j = jacobi_signed(d, n);
    if (j == -1) break;
    if (j == 0 && static_cast<std::uint64_t>(d < 0 ? -d : d) != n) return false;
    if (tries == 16 && is_square(n)) return false;
    d = d > 0 ? -(d + 2) : -d + 2;
  }
  const mont_n m(n);
  const std::uint64_t dm = from_signed(m, d);
  const std::uint64_t qm = from_signed(m, (1 - d) / 4);
  const std::uint64_t delta = n + 1;
  const int s = __builtin_ctzll(delta);
  const std::uint64_t odd = delta >> s;
  // U_1 = 1, V_1 = P = 1, Q^1; then per bit k -> 2k (and 2k+1):
  // U_2k = U V, V_2k = V^2 - 2 Q^k, U_2k+1 = (U_2k + V_2k)/2,
  // V_2k+1 = (D U_2k + V_2k)/2.
  std::uint64_t u = m.one(), v = m.one(), qk = qm;
  for (int bit = 62 - __builtin_clzll(odd); bit >= 0; --bit) {
    u = m.mul(u, v);
    v = m.sub(m.mul(v, v), m.add(qk, qk));
    qk = m.mul(qk, qk);
    if ((odd >> bit) & 1) {
      const std::uint64_t u1 = m.half(m.add(u, v));
      v = m.half(m.add(m.mul(dm, u), v));
      u = u1;
      qk = m.mul(qk, qm);
    }
  }
  if (u == 0 || v == 0) return true;
  for (int r = 1; r < s; ++r) {
    v = m.sub(m.mul(v, v), m.add(qk, qk));
    if (v == 0) return true;
    qk = m.mul(qk, qk);
  }
  return false;
}

}  // namespace primes_detail

bool is_prime_no_small_factor(std::uint64_t n) {
  return primes_detail::strong_probable_prime_base2(n) &&
         primes_detail::strong_lucas_probable_prime(n);
}

bool is_prime_u64(std::uint64_t n) {
  if (n < 2) return false;
  for (const std::uint32_t q : trial_primes) {
    if (n % q == 0) return n == q;
  }
  if (n < 59 * 59) return true;  // no prime factor up to 53, and below 59^2
  return is_prime_no_small_factor(n);
}

}  // namespace quorvel
