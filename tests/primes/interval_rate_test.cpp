// The window throughput: the formula against exact rational arithmetic, and
// that the stream recomputes it from the timer at every refill and restarts
// the timer. No time is measured here; the timer is preset instead.
#include <gtest/gtest.h>

#include <cstdint>

#include "primes/prime_stream.hpp"
#include "reference/reference.hpp"
#include "stream_test_util.hpp"

namespace quorvel::test {
namespace {

using ref::u128;

/// floor(two_w / (ticks / c1 + c2)) mod 2^32 exactly, with the single
/// precision constants c1 = 0x447A0001 = 16384001 / 2^14 and
/// c2 = 8796093 / 2^43 (the float nearest 1e-6); ticks >= 0.
std::uint32_t exact_rate(std::uint64_t two_w, std::uint64_t ticks) {
  // two_w / (ticks * 2^14 / 16384001 + 8796093 / 2^43)
  //   = two_w * 16384001 * 2^43 / (ticks * 2^57 + 8796093 * 16384001)
  const u128 num = static_cast<u128>(two_w) * 16384001u << 43;
  const u128 den = (static_cast<u128>(ticks) << 57) + static_cast<u128>(8796093) * 16384001u;
  return static_cast<std::uint32_t>(num / den);
}

TEST(IntervalRate, ConstantsAreTheSinglePrecisionValues) {
  const float c1 = 1000.0000610f;
  const float c2 = 0.000001f;
  EXPECT_EQ(static_cast<long double>(c1), 16384001.0L / 16384.0L);
  EXPECT_EQ(static_cast<long double>(c2), 8796093.0L / 8796093022208.0L);
}

TEST(IntervalRate, MatchesExactArithmetic) {
  for (std::uint64_t two_w : {std::uint64_t{1} << 20, std::uint64_t{1} << 23}) {
    for (std::uint64_t t : {0ull, 1ull, 7ull, 999ull, 1000ull, 1001ull, 123457ull, 1000000ull,
                            999999999ull, 2147483647ull, 1ull << 40}) {
      EXPECT_EQ(compute_interval_rate(two_w, static_cast<std::int64_t>(t)), exact_rate(two_w, t))
          << "2W=" << two_w << " t=" << t;
    }
  }
  // One CPU millisecond for 2^20 numbers is just under 1048576 kp/s.
  EXPECT_EQ(compute_interval_rate(1u << 20, 1000), 1048575u);
}

TEST(IntervalRate, RecomputedAtEveryRefill) {
  ensure_full_base();
  set_sieve_window_size(1u << 19);
  ModeGuard mode_guard(mode_krange);
  start_prime_stream(1000000000000);
  const std::uint32_t first_window_low = static_cast<std::uint32_t>(sievewindowlow);
  // 500 CPU seconds on the clock: 2^20 / 500000 ms gives 2 kp/s, and the
  // few milliseconds this test really takes do not change that.
  timeinterval.total = 500000000;
  interval_rate = 12345;
  std::uint64_t p = next_sieved_p();
  while (static_cast<std::uint32_t>(sievewindowlow) == first_window_low) {
    ASSERT_EQ(interval_rate, 12345u) << "changed before the window was used up, p=" << p;
    p = next_sieved_p();
  }
  EXPECT_EQ(interval_rate, 2u);
  EXPECT_LT(timeinterval.total, 500000000) << "the timer was not restarted";
}

}  // namespace
}  // namespace quorvel::test
