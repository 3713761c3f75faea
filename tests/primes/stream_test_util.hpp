// Helpers for the prime stream tests: the full base table, a window size
// for one test, and a walk over the stream that checks the bookkeeping of
// every step (the yielded p is the number at sievewindowindex, the window
// only moves forward by 2W) and collects the primes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "primes/prime_stream.hpp"
#include "quorvel/config.hpp"

namespace quorvel::test {

/// Builds the full base table unless it is there already.
inline void ensure_full_base() {
  static std::uint32_t built_with = 0;
  if (built_with != base_prime_bound || nprimes < 2000000) {
    eratosthenes_base(base_prime_bound);
    built_with = base_prime_bound;
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
