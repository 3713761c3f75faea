// The per-prime elimination of both k-range modes against a brute-force run
// that tests every odd k, every n and every prime directly in 128 bits:
// surviving k, the report lines of primes >= khigh (which k, smallest n,
// side, order) and the numbers-left count.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "krange_test_util.hpp"
#include "support/test_support.hpp"

namespace quorvel {
namespace {

using krange_ref::RefRun;
using krange_test::describe;
using krange_test::expect_bitmap;
using krange_test::sieve;
using krange_test::sieve_one;

/// Sets the range of `run` and starts its active bitmaps from scratch.
void start(const RefRun& run) {
  test::ScratchDir dir;
  krange_test::set_range(
      static_cast<std::uint32_t>(run.klow), static_cast<std::uint32_t>(run.khigh),
      static_cast<std::uint32_t>(run.nlow), static_cast<std::uint32_t>(run.nhigh));
  const std::string missing = (dir / "absent.txt").string();
  testing::internal::CaptureStdout();
  if (run.twin) {
    krangetwin_initialize(missing);
  } else {
    krange_initialize(run.plus ? missing : "0", run.minus ? missing : "0");
  }
  testing::internal::GetCapturedStdout();
}

/// Sieves `primes` with the program and with the reference and compares the
/// bitmaps after every prime, then the report lines and the count left.
/// The prime stream never yields 2, so neither does this.
void check_against_reference(RefRun run, std::vector<std::uint64_t> primes) {
  std::erase(primes, 2);
  const std::string context = describe(run);
  start(run);
  testing::internal::CaptureStdout();
  for (std::uint64_t p : primes) {
    sieve_one(p, run.twin);
    run.apply_prime(p);
    const std::string at = context + " after p=" + std::to_string(p);
    if (run.twin) {
      expect_bitmap(krangetwin_bitmap, run.alive_minus, run.klow, at);
    } else {
      if (run.minus) expect_bitmap(krange_bitmapminus, run.alive_minus, run.klow, at);
      if (run.plus) expect_bitmap(krange_bitmapplus, run.alive_plus, run.klow, at);
    }
    if (testing::Test::HasFatalFailure()) break;
  }
  const std::string console = testing::internal::GetCapturedStdout();
  EXPECT_EQ(console, run.report) << context;
  EXPECT_EQ(krange_numbers_left(), run.left()) << context;
}

TEST(KrangeDoP, BothSidesFromPrimeThreeAcrossKhigh) {
  // Primes from 3 (pmin 0) to well past khigh: walks, then single-k reports.
  RefRun run(1, 1009, 1, 12);  // khigh prime: p = khigh is handled as a large prime
  check_against_reference(run, ref::primes_between(0, 4000));
}

TEST(KrangeDoP, EachSideAloneAndEvenKhigh) {
  RefRun minus_only(101, 1200, 5, 9);
  minus_only.plus = false;
  check_against_reference(minus_only, ref::primes_between(0, 3000));
  RefRun plus_only(101, 1200, 5, 9);
  plus_only.minus = false;
  check_against_reference(plus_only, ref::primes_between(0, 3000));
}

TEST(KrangeDoP, RandomRangesMatchBruteForce) {
  std::mt19937_64 rng(20240607);
  for (int trial = 0; trial < 12; ++trial) {
    const std::uint64_t klow = 2 * (rng() % 2000) + 1;
    const std::uint64_t khigh = klow + rng() % 700;
    const std::uint64_t nlow = rng() % 40;
    const std::uint64_t nhigh = nlow + rng() % 10;
    RefRun run(klow, khigh, nlow, nhigh);
    run.minus = trial % 3 != 1;
    run.plus = trial % 3 != 2;
    const std::uint64_t pmin = rng() % 2 == 0 ? 0 : rng() % khigh;
    const std::uint64_t pmax = khigh + 1 + rng() % 3000;
    SCOPED_TRACE("trial " + std::to_string(trial) + " pmin=" + std::to_string(pmin) +
                 " pmax=" + std::to_string(pmax));
    check_against_reference(run, ref::primes_between(pmin, pmax));
  }
}

TEST(KrangeDoP, LargeExponentsAndMoreExponentsThanTheOrder) {
  // Exponents far above 90 take the power route in the reference; the long
  // exponent range is longer than the order of 2 for every small prime.
  RefRun run(1, 301, 1000, 1090);
  check_against_reference(run, ref::primes_between(0, 1500));
  RefRun single(7, 7, 0, 200);
  check_against_reference(single, ref::primes_between(0, 600));
}

TEST(KrangeDoP, RangeEndingNearTwoToThe32DoesNotWrap) {
  // khigh = 2^32-2 is the largest the command line admits. Primes around
  // 2^31 and just below and above khigh make the walk step past 2^32.
  const std::uint64_t khigh = 4294967294ULL;
  RefRun run(khigh - 1999, khigh, 1, 8);
  std::vector<std::uint64_t> primes = ref::primes_between(3, 50);
  for (std::uint64_t lo : {1431655765ULL, 2147483600ULL, 4294966000ULL, 4294967200ULL}) {
    const auto more = ref::primes_between(lo, lo + 400);
    primes.insert(primes.end(), more.begin(), more.end());
  }
  std::sort(primes.begin(), primes.end());
  primes.erase(std::unique(primes.begin(), primes.end()), primes.end());
  check_against_reference(run, primes);
}

TEST(KrangeDoP, PrimesNearTwoToThe50) {
  RefRun run(1, 4001, 1, 60);
  const std::uint64_t top = 1125899906842624ULL;
  std::vector<std::uint64_t> primes;
  for (std::uint64_t p = top - 1; primes.size() < 6; p -= 2)
    if (ref::is_prime(p)) primes.insert(primes.begin(), p);
  const auto small = ref::primes_between(3, 60);
  primes.insert(primes.begin(), small.begin(), small.end());
  check_against_reference(run, primes);
}

/// Primes from 2^50 to 2^62 that divide k*2^n+-1 for odd k <= khigh and
/// nlow <= n <= nhigh: the numbers themselves and their quotients by 3 to
/// 13 where prime, and the three largest primes below 2^62.
std::vector<std::uint64_t> primes_above_two_to_fifty(std::uint64_t khigh, std::uint64_t nlow,
                                                     std::uint64_t nhigh, std::size_t every) {
  std::vector<std::uint64_t> primes;
  std::size_t seen = 0;
  for (std::uint64_t k = 1; k <= khigh; k += 2) {
    for (std::uint64_t n = nlow; n <= nhigh && n < 64; ++n) {
      for (int side : {-1, +1}) {
        const ref::u128 v = (static_cast<ref::u128>(k) << n) + side;
        for (std::uint64_t d : {1, 3, 5, 7, 9, 11, 13}) {
          if (v % d != 0) continue;
          const ref::u128 q = v / d;
          if (q < (ref::u128{1} << 50) || q >= (ref::u128{1} << 62)) continue;
          if (!ref::is_prime(static_cast<std::uint64_t>(q)) || seen++ % every != 0) continue;
          primes.push_back(static_cast<std::uint64_t>(q));
        }
      }
    }
  }
  for (std::uint64_t p = (std::uint64_t{1} << 62) - 1, found = 0; found < 3; p -= 2) {
    if (!ref::is_prime(p)) continue;
    primes.push_back(p);
    ++found;
  }
  std::sort(primes.begin(), primes.end());
  primes.erase(std::unique(primes.begin(), primes.end()), primes.end());
  return primes;
}

TEST(KrangeDoP, PrimesFromTwoToThe50ToTwoToThe62) {
  // Primes of every kernel family above 2^50, each dividing numbers of the
  // range (some of them the number itself, which is struck like any other).
  RefRun run(1, 2001, 45, 70);
  const std::vector<std::uint64_t> primes = primes_above_two_to_fifty(2001, 45, 70, 7);
  ASSERT_GT(primes.size(), 100u);
  RefRun probe = run;
  for (std::uint64_t p : primes) probe.apply_prime(p);
  EXPECT_GT(std::count(probe.report.begin(), probe.report.end(), '\n'), 100);
  check_against_reference(run, primes);
}

TEST(KrangetwinDoP, PrimesFromTwoToThe50ToTwoToThe62) {
  for (const std::uint64_t n : {50u, 54u, 58u}) {
    RefRun run(1, 40001, n, n);
    run.twin = true;
    const std::vector<std::uint64_t> primes = primes_above_two_to_fifty(40001, n, n, 1);
    ASSERT_GT(primes.size(), 4u) << n;
    check_against_reference(run, primes);
  }
}

TEST(KrangeDoP, NothingToDoWithBothSidesOffOrNoExponent) {
  RefRun off(1, 99, 1, 10);
  off.minus = off.plus = false;
  start(off);
  EXPECT_EQ(sieve(ref::primes_between(3, 500), false), "");
  EXPECT_EQ(krange_numbers_left(), 0u);
  EXPECT_TRUE(krange_bitmapminus.empty());
  EXPECT_TRUE(krange_bitmapplus.empty());

  RefRun empty(1, 99, 10, 9);  // nlow > nhigh: no exponent at all
  start(empty);
  EXPECT_EQ(sieve(ref::primes_between(3, 500), false), "");
  EXPECT_EQ(krange_numbers_left(), 2u * 50u);
}

TEST(KrangeDoP, PrimeEqualToKhighReportsItsK) {
  // The first prime is khigh itself (1009): every k it removes is reported.
  RefRun run(1, 1009, 1, 12);
  check_against_reference(run, ref::primes_between(1009, 2000));
  RefRun twin(1, 1009, 5, 5);
  twin.twin = true;
  check_against_reference(twin, ref::primes_between(1009, 3000));
}

TEST(KrangeDoPSign, SetsExactlyTheOddMembersOfTheClass) {
  // Every residue k0 of a sample against direct membership: k odd, in the
  // range, k == k0 (mod p). Ranges at the bottom and at the very top of the
  // 32-bit k space, primes below, at and above khigh.
  struct Case {
    std::uint32_t klow, khigh;
    std::vector<std::uint64_t> primes;
  };
  const std::vector<Case> cases = {
      {1, 1999, {3, 5, 7, 997, 1997, 1999, 2003, 1125899906842597ULL}},
      {4294965295u,
       4294967294u,
       {3, 1009, 1431655777ULL, 2147483647ULL, 2147483659ULL, 4294965263ULL, 4294965307ULL,
        4294967291ULL, 4294967311ULL}},
  };
  std::mt19937_64 rng(99);
  for (const Case& c : cases) {
    krange_test::set_range(c.klow, c.khigh, 17, 17);
    const std::uint64_t count = ((c.khigh - c.klow) >> 1) + 1;
    std::vector<std::uint8_t> bitmap;
    for (std::uint64_t p : c.primes) {
      ASSERT_TRUE(ref::is_prime(p)) << p;
      std::vector<std::uint64_t> residues;
      for (std::uint64_t i = 1; i <= 300 && i < p; ++i) residues.push_back(i);
      for (std::uint64_t i = 1; i <= 300 && i < p; ++i) residues.push_back(p - i);
      for (int i = 0; i < 300; ++i) residues.push_back(1 + rng() % (p - 1));
      for (std::uint64_t k = c.klow; k <= c.khigh && k < p; k += 97) residues.push_back(k);
      std::string expected;
      std::vector<std::vector<std::uint8_t>> bitmaps;
      testing::internal::CaptureStdout();
      for (std::uint64_t k0 : residues) {
        bitmap.assign((count + 7) / 8, 0);
        for (std::uint64_t i = count; i < 8 * bitmap.size(); ++i) bitmap[i >> 3] |= 1 << (i & 7);
        krange_do_p_sign(p, k0, bitmap, 17, -1);
        bitmaps.push_back(bitmap);
      }
      const std::string console = testing::internal::GetCapturedStdout();
      for (std::size_t j = 0; j < residues.size(); ++j) {
        const std::uint64_t k0 = residues[j];
        std::vector<bool> alive(count, true);
        for (std::uint64_t i = 0; i < count; ++i) {
          const std::uint64_t k = c.klow + 2 * i;
          if (k % p != k0 % p) continue;
          alive[i] = false;
          if (p >= c.khigh)
            expected += ref::factor_line(p, static_cast<std::int64_t>(k), 17, -1) + "\n";
        }
        const std::string context = "p=" + std::to_string(p) + " k0=" + std::to_string(k0);
        krange_test::expect_bitmap(bitmaps[j], alive, c.klow, context);
        if (testing::Test::HasFatalFailure()) return;
      }
      EXPECT_EQ(console, expected) << "p=" << p;
    }
  }
}

TEST(KrangeDoPSign, WalkForSevenStartsAtElevenAndStaysOdd) {
  RefRun run(1, 99, 1, 1);
  run.plus = false;
  start(run);
  ASSERT_EQ(ref::mulmod(4, 2, 7), 1u);  // r = 2^-1 mod 7 = 4
  testing::internal::CaptureStdout();
  krange_do_p_sign(7, 4, krange_bitmapminus, 1, -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  std::vector<bool> alive(50, true);
  for (std::uint64_t k : {11, 25, 39, 53, 67, 81, 95}) {
    ASSERT_EQ((k * 2 - 1) % 7, 0u) << k;
    alive[(k - 1) / 2] = false;
  }
  expect_bitmap(krange_bitmapminus, alive, 1, "p=7 n=1");
}

TEST(KrangeDoPSign, LargePrimeReportsOnceAndSecondPrimeIsSilent) {
  // Find k*2^n+1 (k odd, k <= 99, n <= 40) with two prime factors, both above
  // khigh, by full factorisation.
  RefRun run(1, 99, 1, 40);
  std::uint64_t k = 0, n = 0, p1 = 0, p2 = 0;
  for (std::uint64_t kk = 1; kk <= 99 && p2 == 0; kk += 2) {
    for (std::uint64_t nn = 1; nn <= 30 && p2 == 0; ++nn) {
      const auto f = ref::prime_factors((kk << nn) + 1);
      if (f.size() == 2 && f[0] > 99) k = kk, n = nn, p1 = f[0], p2 = f[1];
    }
  }
  ASSERT_NE(p2, 0u);
  start(run);
  testing::internal::CaptureStdout();
  krange_do_p_sign(p1, k, krange_bitmapplus, static_cast<std::uint32_t>(n), +1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            std::to_string(p1) + " | " + std::to_string(k) + "*2^" + std::to_string(n) + "+1\n");
  testing::internal::CaptureStdout();
  krange_do_p_sign(p2, k, krange_bitmapplus, static_cast<std::uint32_t>(n), +1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(krange_numbers_left(), 2u * 50u - 1u);
  EXPECT_EQ((krange_bitmapplus[(k - 1) >> 4] >> (((k - 1) >> 1) & 7)) & 1, 1);
}

TEST(KrangeDoPSign, EvenOrOutOfRangeResidueOfLargePrimeIsIgnored) {
  RefRun run(11, 99, 1, 1);
  start(run);
  testing::internal::CaptureStdout();
  for (std::uint64_t k0 : {2, 10, 9, 100, 98}) krange_do_p_sign(101, k0, krange_bitmapminus, 1, -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(krange_numbers_left(), 2u * 45u);
}

TEST(KrangetwinDoP, MatchesBruteForceMinusBeforePlus) {
  RefRun run(1, 1999, 7, 7);
  run.twin = true;
  check_against_reference(run, ref::primes_between(0, 6000));
}

TEST(KrangetwinDoP, RandomRangesMatchBruteForce) {
  std::mt19937_64 rng(777);
  for (int trial = 0; trial < 10; ++trial) {
    const std::uint64_t klow = 2 * (rng() % 5000) + 1;
    const std::uint64_t khigh = klow + rng() % 1500;
    const std::uint64_t n = rng() % 120;
    RefRun run(klow, khigh, n, n + rng() % 5);  // nhigh is not used in twin mode
    run.twin = true;
    const std::uint64_t pmin = rng() % 2 == 0 ? 0 : rng() % khigh;
    SCOPED_TRACE("trial " + std::to_string(trial) + " pmin=" + std::to_string(pmin));
    check_against_reference(run, ref::primes_between(pmin, khigh + 5000));
  }
}

}  // namespace
}  // namespace quorvel
