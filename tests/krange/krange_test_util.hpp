// Helpers shared by the k-range unit tests: setting the range, running the
// per-prime routines over a list of primes with the console captured, and
// comparing a bitmap with the brute-force reference bit by bit.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "arith/mulmod.hpp"
#include "krange/krange.hpp"
#include "quorvel/config.hpp"
#include "reference/krange_reference.hpp"

namespace quorvel::krange_test {

inline void set_range(std::uint32_t klow, std::uint32_t khigh, std::uint32_t nlow,
                      std::uint32_t nhigh) {
  krange_klow = klow;
  krange_khigh = khigh;
  krange_nlow = nlow;
  krange_nhigh = nhigh;
}

inline std::string describe(const krange_ref::RefRun& run) {
  return "klow=" + std::to_string(run.klow) + " khigh=" + std::to_string(run.khigh) +
         " nlow=" + std::to_string(run.nlow) + " nhigh=" + std::to_string(run.nhigh) +
         " minus=" + std::to_string(run.minus) + " plus=" + std::to_string(run.plus) +
         " twin=" + std::to_string(run.twin);
}

/// Makes p the modulus and runs the mode's per-prime routine, as the driver does.
inline void sieve_one(std::uint64_t p, bool twin) {
  const arith_state_t arith = prime_modulus(p);
  if (twin) {
    krangetwin_do_p(p, arith);
  } else {
    krange_do_p(p, arith);
  }
}

/// sieve_one for every p; returns the console.
inline std::string sieve(const std::vector<std::uint64_t>& primes, bool twin) {
  testing::internal::CaptureStdout();
  for (std::uint64_t p : primes) sieve_one(p, twin);
  return testing::internal::GetCapturedStdout();
}

/// Every bit of `bitmap` agrees with `alive` (clear = alive), and every bit
/// past the last k is set.
inline void expect_bitmap(const std::vector<std::uint8_t>& bitmap, const std::vector<bool>& alive,
                          std::uint64_t klow, const std::string& context) {
  ASSERT_EQ(bitmap.size(), (alive.size() + 7) / 8) << context;
  for (std::size_t i = 0; i < 8 * bitmap.size(); ++i) {
    const bool set = (bitmap[i >> 3] >> (i & 7)) & 1;
    if (i < alive.size()) {
      ASSERT_EQ(set, !alive[i]) << context << " k=" << klow + 2 * i;
    } else {
      ASSERT_TRUE(set) << context << " padding bit " << i;
    }
  }
}

}  // namespace quorvel::krange_test
