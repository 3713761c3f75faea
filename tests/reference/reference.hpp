// Slow, obviously correct references for the tests. Nothing here uses the
// program's own code: products are formed in 128 bits and reduced with %,
// primes come from a plain segmented sieve whose sieving primes are found by
// trial division, and factors are found by testing every listed candidate
// against every prime directly.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::ref {

using u128 = unsigned __int128;

/// a*b mod m for any 64-bit operands.
inline std::uint64_t mulmod(std::uint64_t a, std::uint64_t b, std::uint64_t m) {
  return static_cast<std::uint64_t>(static_cast<u128>(a) * b % m);
}

/// b^e mod m by plain square and multiply (0^0 = 1 mod m).
inline std::uint64_t powmod(std::uint64_t b, std::uint64_t e, std::uint64_t m) {
  std::uint64_t r = 1 % m;
  b %= m;
  while (e != 0) {
    if (e & 1) r = mulmod(r, b, m);
    b = mulmod(b, b, m);
    e >>= 1;
  }
  return r;
}

/// Trial division; fine for n up to ~10^14 in tests that call it rarely.
inline bool is_prime_trial(std::uint64_t n) {
  if (n < 2) return false;
  if (n % 2 == 0) return n == 2;
  for (std::uint64_t d = 3; d * d <= n; d += 2)
    if (n % d == 0) return false;
  return true;
}

/// Deterministic Miller-Rabin for every 64-bit n (bases 2..37).
inline bool is_prime(std::uint64_t n) {
  if (n < 2) return false;
  for (std::uint64_t q : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37})
    if (n % q == 0) return n == q;
  std::uint64_t d = n - 1;
  int s = 0;
  while ((d & 1) == 0) {
    d >>= 1;
    ++s;
  }
  for (std::uint64_t a : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37}) {
    std::uint64_t x = powmod(a, d, n);
    if (x == 1 || x == n - 1) continue;
    bool composite = true;
    for (int i = 1; i < s && composite; ++i) {
      x = mulmod(x, x, n);
      if (x == n - 1) composite = false;
    }
    if (composite) return false;
  }
  return true;
}

/// Every prime of each window [lo, hi] (ascending), for windows anywhere
/// below 2^63, however high: a plain sieve of each window with every prime
/// up to the square root of its top. The sieving primes are not kept: a
/// plain segmented sieve of the odd numbers up to the largest square root
/// (itself sieved with the primes up to the fourth root, found by trial
/// division) hands each one to every window as it is found. Costs a few
/// seconds for windows near 2^62 (sieving primes up to 2^31).
inline std::vector<std::vector<std::uint64_t>> primes_in_windows(
    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& windows) {
  std::uint64_t root = 1;
  for (const auto& [lo, hi] : windows) {
    std::uint64_t r = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(hi)));
    while (r * r > hi) --r;
    while ((r + 1) * (r + 1) <= hi) ++r;  // (r + 1)^2 stays below 2^64 for hi < 2^63
    root = std::max(root, r);
  }
  std::vector<std::vector<char>> composite;
  for (const auto& [lo, hi] : windows) composite.emplace_back(hi - lo + 1, 0);
  auto strike = [&](std::uint64_t q) {
    for (std::size_t w = 0; w < windows.size(); ++w) {
      const auto [lo, hi] = windows[w];
      if (q * q > hi) continue;
      for (std::uint64_t j = std::max(q * q, (lo + q - 1) / q * q); j <= hi; j += q) {
        composite[w][j - lo] = 1;
      }
    }
  };
  strike(2);
  // The primes up to the fourth root, by trial division.
  std::vector<std::uint64_t> small;
  for (std::uint64_t q = 3; q * q <= root; q += 2) {
    if (std::all_of(small.begin(), small.end(), [q](std::uint64_t d) { return q % d != 0; }))
      small.push_back(q);
  }
  // Segments of odd numbers 2i + 1, i in [i0, i0 + span).
  const std::uint64_t span = std::uint64_t{1} << 18;
  std::vector<char> odd_composite(span);
  for (std::uint64_t i0 = 1; 2 * i0 + 1 <= root; i0 += span) {
    std::fill(odd_composite.begin(), odd_composite.end(), 0);
    for (std::uint64_t d : small) {
      // Odd multiples of d from d*d: indices (m - 1) / 2, step d.
      std::uint64_t m = std::max(d * d, (2 * i0 + 1 + d - 1) / d * d);
      if (m % 2 == 0) m += d;
      for (std::uint64_t i = (m - 1) / 2; i < i0 + span; i += d) odd_composite[i - i0] = 1;
    }
    for (std::uint64_t i = i0; i < i0 + span && 2 * i + 1 <= root; ++i) {
      if (!odd_composite[i - i0]) strike(2 * i + 1);
    }
  }
  std::vector<std::vector<std::uint64_t>> out(windows.size());
  for (std::size_t w = 0; w < windows.size(); ++w) {
    const auto [lo, hi] = windows[w];
    for (std::uint64_t n = std::max<std::uint64_t>(lo, 2); n <= hi; ++n) {
      if (!composite[w][n - lo]) out[w].push_back(n);
      if (n == hi) break;
    }
  }
  return out;
}

/// Every prime p with lo <= p <= hi, ascending. A plain segmented sieve:
/// the sieving primes up to sqrt(hi) are found by a plain sieve (above 2^52
/// by primes_in_windows, which does not keep them).
inline std::vector<std::uint64_t> primes_between(std::uint64_t lo, std::uint64_t hi) {
  std::vector<std::uint64_t> out;
  if (hi < 2 || hi < lo) return out;
  // Above 2^52 the sieving primes are too many to keep: the streamed sieve.
  if (hi > (std::uint64_t{1} << 52)) return primes_in_windows({{lo, hi}})[0];
  std::uint64_t root = 1;
  while ((root + 1) * (root + 1) <= hi) ++root;
  std::vector<std::uint64_t> small;
  {
    std::vector<bool> composite(root + 1, false);
    for (std::uint64_t i = 2; i <= root; ++i) {
      if (composite[i]) continue;
      small.push_back(i);
      for (std::uint64_t j = i * i; j <= root; j += i) composite[j] = true;
    }
  }
  const std::uint64_t span = 1 << 20;
  for (std::uint64_t base = lo; base <= hi;) {
    const std::uint64_t top = std::min(hi, base + span - 1);
    std::vector<bool> composite(top - base + 1, false);
    for (std::uint64_t q : small) {
      std::uint64_t start = std::max(q * q, (base + q - 1) / q * q);
      for (std::uint64_t j = start; j <= top; j += q) composite[j - base] = true;
    }
    for (std::uint64_t n = base; n <= top; ++n)
      if (n >= 2 && !composite[n - base]) out.push_back(n);
    if (top == hi) break;
    base = top + 1;
  }
  return out;
}

/// Every prime factor of n (ascending, each once), by trial division.
inline std::vector<std::uint64_t> prime_factors(std::uint64_t n) {
  std::vector<std::uint64_t> f;
  for (std::uint64_t d = 2; d * d <= n; d += (d == 2 ? 1 : 2)) {
    if (n % d != 0) continue;
    f.push_back(d);
    while (n % d == 0) n /= d;
  }
  if (n > 1) f.push_back(n);
  return f;
}

/// The multiplicative order of a modulo the prime p, from the full
/// factorisation of p - 1.
inline std::uint64_t order_mod(std::uint64_t a, std::uint64_t p) {
  std::uint64_t ord = p - 1;
  for (std::uint64_t q : prime_factors(p - 1))
    while (ord % q == 0 && powmod(a, ord / q, p) == 1) ord /= q;
  return ord;
}

/// One factor: prime p divides k*2^n + sign, k the kindex-th k of a table.
struct Factor {
  std::uint64_t p;
  std::uint32_t kindex;
  std::uint32_t n;
  bool operator==(const Factor&) const = default;
  auto operator<=>(const Factor&) const = default;
};

/// k*2^n + sign mod p, sign +1 or -1.
inline std::uint64_t candidate_mod(std::int64_t k, std::uint32_t n, int sign, std::uint64_t p) {
  const std::uint64_t kp = static_cast<std::uint64_t>(k) % p;
  const std::uint64_t v = mulmod(kp, powmod(2, n, p), p);
  return sign > 0 ? (v + 1) % p : (v + p - 1) % p;
}

/// True when k*2^n + sign is p itself.
inline bool equals_prime(std::int64_t k, std::uint32_t n, int sign, std::uint64_t p) {
  if (n >= 64) return false;
  const u128 v = (static_cast<u128>(k) << n) + (sign > 0 ? 1 : 0) - (sign > 0 ? 0 : 1);
  return v == p;
}

/// Every (p, k index, n) with p an odd prime of `primes`, n in ns[kindex]
/// (each list ascending) and p | ks[kindex]*2^n + sign, except where the
/// number is p itself (a prime is no factor of itself for a sieve). Sorted
/// by p, then k index, then n.
/// Walks each n list with one 128-bit product per listed n, so it is meant
/// for short prime lists (tens of thousands of primes, a few thousand n).
inline std::vector<Factor> factors_of_primes(const std::vector<std::int64_t>& ks,
                                             const std::vector<std::vector<std::uint32_t>>& ns,
                                             int sign, const std::vector<std::uint64_t>& primes) {
  std::vector<Factor> out;
  for (std::uint64_t p : primes) {
    if (p == 2) continue;
    for (std::uint32_t j = 0; j < ks.size(); ++j) {
      const std::uint64_t kp = static_cast<std::uint64_t>(ks[j]) % p;
      std::uint32_t prev = 0;
      std::uint64_t pow = 1;  // 2^prev mod p
      for (std::uint32_t n : ns[j]) {
        const std::uint32_t gap = n - prev;
        if (gap < 60)
          pow = static_cast<std::uint64_t>((static_cast<u128>(pow) << gap) % p);
        else
          pow = mulmod(pow, powmod(2, gap, p), p);
        prev = n;
        const std::uint64_t v = mulmod(kp, pow, p);
        const std::uint64_t target = sign > 0 ? p - 1 : 1 % p;
        if (v == target && !equals_prime(ks[j], n, sign, p)) out.push_back({p, j, n});
      }
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

/// The same for every prime p with plo <= p <= phi.
inline std::vector<Factor> factors(const std::vector<std::int64_t>& ks,
                                   const std::vector<std::vector<std::uint32_t>>& ns, int sign,
                                   std::uint64_t plo, std::uint64_t phi) {
  return factors_of_primes(ks, ns, sign, primes_between(plo, phi));
}

/// The factor-file line "p | k*2^n+1" (sign +1) or "p | k*2^n-1", no newline.
inline std::string factor_line(std::uint64_t p, std::int64_t k, std::uint32_t n, int sign) {
  return std::to_string(p) + " | " + std::to_string(k) + "*2^" + std::to_string(n) +
         (sign > 0 ? "+1" : "-1");
}

}  // namespace quorvel::ref
