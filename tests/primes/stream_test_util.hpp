// Helpers for the prime stream tests: the full base table, a walk over the
// stream that checks the bookkeeping of every step (the yielded p is the
// number at sievewindowindex, the window only moves forward by 2W) and
// collects the primes, and the windows above 2^50 with their primes from
// the plain reference sieve.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "primes/base_primes.hpp"
#include "primes/prime_stream.hpp"
#include "quorvel/config.hpp"
#include "reference/primes_reference.hpp"

namespace quorvel::test {

/// Builds the full base table unless it is there already.
inline void ensure_full_base() {
  if (primes_detail::base_reach < base_prime_bound || nprimes < 2000000) {
    eratosthenes_base(base_prime_bound);
  }
}

/// Result of a walk: the primes up to pmax and the first prime above it.
struct Walk {
  std::vector<std::uint64_t> primes;
  std::uint64_t first_above = 0;
};

/// Streams from pmin (start_prime_stream) until the first prime above pmax.
inline Walk walk_stream(std::uint64_t pmin, std::uint64_t pmax) {
  Walk walk;
  start_prime_stream(pmin);
  std::uint64_t low = sievewindowlow;
  EXPECT_EQ(low, pmin & ~std::uint64_t{1});
  EXPECT_EQ(sievewindowindex, 0xFFFFFFFFu);
  const std::uint64_t two_w = 2 * std::uint64_t{sievewindowsize};
  std::string trouble;
  for (;;) {
    const std::uint64_t p = next_sieved_p();
    if (sievewindowlow != low) {
      if (sievewindowlow != low + two_w && trouble.empty()) {
        trouble =
            "window moved from " + std::to_string(low) + " to " + std::to_string(sievewindowlow);
      }
      low = sievewindowlow;
    }
    if ((sievewindowindex >= sievewindowsize ||
         p != sievewindowlow + 1 + 2 * std::uint64_t{sievewindowindex}) &&
        trouble.empty()) {
      trouble = "p=" + std::to_string(p) + " at index " + std::to_string(sievewindowindex) +
                " of the window above " + std::to_string(sievewindowlow);
    }
    if (p > pmax) {
      walk.first_above = p;
      break;
    }
    walk.primes.push_back(p);
  }
  EXPECT_EQ(trouble, "") << "pmin=" << pmin << " pmax=" << pmax << " W=" << sievewindowsize;
  return walk;
}

/// Windows above 2^50, each with its primes from the plain sieve of every
/// window at once (sieving primes up to 2^31, a few seconds, made once):
/// just above 2^50; where the sieve hands over to the primality test (the
/// square of the last base prime); near 2^61; and the last ones below 2^62.
struct HighWindow {
  std::uint64_t lo, hi;
  const char* what;
};

/// The square of the largest prime up to the bound the base table is
/// extended to (by the reference test).
inline std::uint64_t last_base_prime_squared() {
  std::uint64_t q = primes_detail::base_prime_cap;
  while (!ref::is_prime(q)) --q;
  return q * q;
}

inline const std::vector<HighWindow>& high_windows() {
  static const std::vector<HighWindow> w = {
      {std::uint64_t{1} << 50, (std::uint64_t{1} << 50) + 3000000, "just above 2^50"},
      {last_base_prime_squared() - 1500000, last_base_prime_squared() + 1500000,
       "around the square of the last base prime"},
      {(std::uint64_t{1} << 61) - 1500000, (std::uint64_t{1} << 61) + 1500000, "around 2^61"},
      {(std::uint64_t{1} << 62) - 3000000, std::uint64_t{1} << 62, "ending at 2^62"}};
  return w;
}

inline const std::vector<std::vector<std::uint64_t>>& high_window_primes() {
  static const std::vector<std::vector<std::uint64_t>> primes = [] {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    for (const HighWindow& w : high_windows()) ranges.push_back({w.lo, w.hi});
    return ref::primes_in_windows(ranges);
  }();
  return primes;
}

/// Sets the mode for one test and puts it back afterwards.
class ModeGuard {
 public:
  explicit ModeGuard(int m) : saved_(mode) { mode = m; }
  ~ModeGuard() { mode = saved_; }
  ModeGuard(const ModeGuard&) = delete;
  ModeGuard& operator=(const ModeGuard&) = delete;

 private:
  int saved_;
};

}  // namespace quorvel::test
