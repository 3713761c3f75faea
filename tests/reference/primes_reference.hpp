// References for the prime stream tests, built only on reference.hpp (plain
// sieve, 128-bit Miller-Rabin): the Q of a window, the p-1 record of a
// window worked out by stepping through the even numbers p-1 with every
// prime q directly, and a check that a recorded list together with the
// small primes factors p-1 completely.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "reference/reference.hpp"

namespace quorvel::primes_ref {

/// Every prime up to at least `limit`, ascending, from the reference sieve;
/// kept for the process and extended when a larger limit is asked for.
inline const std::vector<std::uint64_t>& small_primes(std::uint64_t limit) {
  static std::vector<std::uint64_t> primes;
  static std::uint64_t reach = 0;
  if (limit > reach) {
    reach = std::max(limit, 2 * reach);
    primes = ref::primes_between(0, reach);
  }
  return primes;
}

/// Every prime p with lo <= p <= hi, ascending: a plain sieve of the range
/// with the primes up to sqrt(hi) (hi - lo small enough for one table).
inline std::vector<std::uint64_t> primes_in(std::uint64_t lo, std::uint64_t hi) {
  std::vector<std::uint64_t> out;
  if (hi < lo) return out;
  std::uint64_t root = 1;
  while ((root + 1) * (root + 1) <= hi) ++root;
  std::vector<char> composite(hi - lo + 1, 0);
  for (std::uint64_t q : small_primes(root)) {
    if (q > root) break;
    for (std::uint64_t j = std::max(q * q, (lo + q - 1) / q * q); j <= hi; j += q) {
      composite[j - lo] = 1;
    }
  }
  for (std::uint64_t n = std::max<std::uint64_t>(lo, 2); n <= hi; ++n) {
    if (!composite[n - lo]) out.push_back(n);
  }
  return out;
}

/// The first prime q with q*q >= top.
inline std::uint64_t first_prime_with_square_at_least(std::uint64_t top) {
  std::uint64_t q = 2;
  while (q * q < top) q = q * 2;
  std::uint64_t lo = q / 2;  // lo*lo < top <= q*q
  while (q - lo > 1) {
    const std::uint64_t mid = lo + (q - lo) / 2;
    if (mid * mid < top)
      lo = mid;
    else
      q = mid;
  }
  while (!ref::is_prime(q)) ++q;
  return q;
}

/// One entry of a p-1 record: the prime q divides p - 1 for the prime p at
/// window index `index`.
struct RecordEntry {
  std::uint32_t index;
  std::uint32_t q;
};

/// The p-1 record of the window of w odd numbers above the even number a:
/// for every prime p = a + 1 + 2i of the window (i its index), the primes
/// q with 31 <= q <= big_q dividing p - 1; sorted by index, then q. The
/// primes of the window come from primes_in, or from `known` (a sorted
/// list of primes that holds every prime of the window) when given.
inline std::vector<RecordEntry> pminus1_record(std::uint64_t a, std::uint32_t w,
                                               std::uint64_t big_q,
                                               const std::vector<std::uint64_t>* known = nullptr) {
  std::vector<bool> prime(w, false);
  const std::uint64_t top = a + 2 * std::uint64_t{w} - 1;
  for (std::uint64_t p : known != nullptr ? *known : primes_in(a + 1, top)) {
    if (p != 2 && p > a && p <= top) prime[(p - a - 1) / 2] = true;
  }
  std::vector<RecordEntry> record;
  if (big_q < 31) return record;
  for (std::uint64_t q : small_primes(big_q)) {
    if (q < 31) continue;
    if (q > big_q) break;
    // Even multiples e of q with a <= e < a + 2w; p = e + 1.
    std::uint64_t e = (a + q - 1) / q * q;
    if (e % 2 != 0) e += q;
    for (; e < a + 2 * std::uint64_t{w}; e += 2 * q) {
      const std::uint64_t i = (e - a) / 2;
      if (prime[i])
        record.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(q)});
    }
  }
  // q was walked upwards, so a stable sort by index keeps each list sorted.
  std::stable_sort(record.begin(), record.end(),
                   [](const RecordEntry& x, const RecordEntry& y) { return x.index < y.index; });
  return record;
}

/// Empty when `list` is exactly the set of primes q with 31 <= q <= big_q
/// dividing p - 1, ascending and each once; otherwise what is wrong. Proof:
/// after dividing p - 1 by 2, 3, ..., 29 and every listed q as often as they
/// go, the cofactor must be 1 or a prime above big_q (Miller-Rabin).
inline std::string check_complete(std::uint64_t p, const std::vector<std::uint32_t>& list,
                                  std::uint64_t big_q) {
  std::ostringstream why;
  if (p < 3) return "p=" + std::to_string(p) + " is not an odd prime";
  std::uint64_t c = p - 1;
  for (std::uint64_t d : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29}) {
    while (c % d == 0) c /= d;
  }
  std::uint64_t previous = 0;
  for (std::uint32_t q : list) {
    if (q < 31 || q > big_q) why << " q=" << q << " outside [31, " << big_q << "]";
    if (q <= previous) why << " q=" << q << " not ascending";
    if (!ref::is_prime(q)) why << " q=" << q << " not prime";
    if ((p - 1) % q != 0) why << " q=" << q << " does not divide p-1";
    previous = q;
    if (q > 1) {
      while (c % q == 0) c /= q;
    }
  }
  if (c != 1 && !(c > big_q && ref::is_prime(c))) {
    why << " cofactor " << c << " is neither 1 nor a prime above " << big_q;
  }
  std::string text = why.str();
  if (!text.empty()) text = "p=" + std::to_string(p) + text;
  return text;
}

}  // namespace quorvel::primes_ref
