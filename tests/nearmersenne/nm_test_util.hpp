// Helpers of the near-Mersenne unit tests: setting the a range and running
// the set-up with the console captured, running the per-prime routine over
// a list of primes, and comparing the bitmap with the brute-force reference
// pair by pair.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "nearmersenne/nearmersenne.hpp"
#include "nearmersenne/nm_sieve.hpp"
#include "quorvel/config.hpp"
#include "reference/nearmersenne_reference.hpp"
#include "reference/reference.hpp"

namespace quorvel::nm_test {

/// Sets the a range and the file name and runs nm_initialize; returns the
/// console text.
inline std::string setup(std::uint32_t alow, std::uint32_t ahigh, const std::string& file) {
  nm_alow = alow;
  nm_ahigh = ahigh;
  nm_abcfile = file;
  testing::internal::CaptureStdout();
  const int r = nm_initialize();
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(r, 1);
  return out;
}

/// Runs nm_do_p for every p; returns the console.
inline std::string sieve(const std::vector<std::uint64_t>& primes) {
  testing::internal::CaptureStdout();
  for (std::uint64_t p : primes) nm_do_p(p);
  return testing::internal::GetCapturedStdout();
}

/// Primes q below 2^50 with q | 2^a - 2^b + 1 for some 51 <= a <= 63:
/// numbers with only small factors besides one large prime.
inline std::vector<std::uint64_t> large_factors(std::uint32_t seed, std::size_t want) {
  std::mt19937_64 rng(seed);
  std::vector<std::uint64_t> out;
  while (out.size() < want) {
    const std::uint32_t a = 51 + static_cast<std::uint32_t>(rng() % 13);
    const std::uint32_t b = 1 + static_cast<std::uint32_t>(rng() % (a - 1));
    std::uint64_t n = static_cast<std::uint64_t>(nm_ref::number(a, b));
    for (std::uint64_t d = 3; d < 2000; d += 2)
      while (n % d == 0) n /= d;
    if (n > (std::uint64_t{1} << 32) && n < (std::uint64_t{1} << 50) && ref::is_prime(n))
      out.push_back(n);
  }
  return out;
}

inline bool bit_set(std::uint32_t a, std::uint32_t b) {
  const std::uint64_t row_bytes = (static_cast<std::uint64_t>(nm_ahigh) + 6) / 8;
  const std::uint64_t j = (a - nm_alow) * 8 * row_bytes + (b - 1);
  return (nm_bitmap.at(j / 8) >> (j % 8)) & 1;
}

/// Every pair of the bitmap agrees with the reference (clear = alive), and
/// nm_candidates is the number of survivors.
inline void expect_matches(const nm_ref::RefRun& ref, const std::string& context) {
  ASSERT_EQ(nm_alow, ref.alow) << context;
  ASSERT_EQ(nm_ahigh, ref.ahigh) << context;
  for (std::uint32_t a = ref.alow; a <= ref.ahigh; ++a)
    for (std::uint32_t b = 1; b < a; ++b)
      ASSERT_EQ(bit_set(a, b), !ref.is_alive(a, b)) << context << " a=" << a << " b=" << b;
  EXPECT_EQ(nm_candidates, ref.left()) << context;
}

}  // namespace quorvel::nm_test
