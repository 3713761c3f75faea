// The block search and the apply step of the k-range modes, with every
// version of the batch kernels forced in turn: the events of each prime
// against a reference worked out with plain 128-bit powers (which k, which
// n, which side, in the bitmap's order, up to the point where the chain of
// 2^-n repeats), and whole runs in blocks of every size (one prime, a
// partial vector group, blocks that mix primes below and above khigh, a
// last partial block) against the one-prime routines and the brute-force
// reference: bitmaps, report lines and the count struck.
#include "krange/krange_search.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "arith/batch.hpp"
#include "db/false_factor.hpp"
#include "krange_test_util.hpp"
#include "quorvel/common.hpp"
#include "reference/arith_reference.hpp"
#include "reference/reference.hpp"
#include "support/test_support.hpp"

namespace quorvel {
namespace {

using krange_ref::RefRun;

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

/// The events of p worked out directly: r = ((p+1)/2)^n by plain powering
/// for each n, stopping where r returns to its value at the first exponent
/// from 64 on (or at nlow when that is above); per n the
/// minus side (k == r) before the plus side (k == p - r); for p >= khigh the
/// class's k itself when odd and in range, for a smaller p the first odd k
/// of the class from klow on.
std::vector<krange_event_t> reference_events(const krange_settings_t& s, std::uint64_t p) {
  std::vector<krange_event_t> out;
  const std::uint64_t h = (p + 1) / 2;
  const std::uint64_t last = s.twin ? s.nlow : s.nhigh;
  const std::uint64_t anchor_n = std::max<std::uint64_t>(s.nlow, 64);
  const std::uint64_t anchor = ref::powmod(h, anchor_n, p);
  for (std::uint64_t n = s.nlow; n <= last && (s.dominus || s.doplus); ++n) {
    const std::uint64_t r = ref::powmod(h, n, p);
    if (n > anchor_n && r == anchor) break;
    for (const int side : {-1, +1}) {
      if ((side < 0 && !s.dominus) || (side > 0 && !s.doplus)) continue;
      const std::uint64_t k0 = side < 0 ? r : p - r;
      if (p >= s.khigh) {
        if (k0 % 2 == 1 && k0 >= s.klow && k0 <= s.khigh)
          out.push_back({k0, static_cast<std::uint32_t>(n), side});
        continue;
      }
      std::uint64_t k = s.klow + (k0 + p - s.klow % p) % p;  // first k >= klow of the class
      if (k % 2 == 0) k += p;
      if (k <= s.khigh) out.push_back({k, static_cast<std::uint32_t>(n), side});
    }
  }
  return out;
}

/// Every prime's events of a search over `primes` in blocks of `length`
/// against reference_events.
void expect_reference_events(const krange_settings_t& s, const std::vector<std::uint64_t>& primes,
                             std::size_t length, const std::string& context) {
  krange_work_t work;
  krange_hits_t hits;
  for (std::size_t at = 0; at < primes.size(); at += length) {
    const std::size_t n = std::min(length, primes.size() - at);
    krange_search_block(s, std::span(primes).subspan(at, n), work, hits);
    ASSERT_EQ(hits.primes.size(), n) << context;
    ASSERT_EQ(hits.first.size(), n + 1) << context;
    for (std::size_t j = 0; j < n; ++j) {
      const std::uint64_t p = primes[at + j];
      ASSERT_EQ(hits.primes[j], p);
      const auto want = reference_events(s, p);
      ASSERT_EQ(hits.first[j + 1] - hits.first[j], want.size()) << context << " p=" << p;
      for (std::size_t i = 0; i < want.size(); ++i) {
        const krange_event_t& got = hits.events[hits.first[j] + i];
        ASSERT_EQ(got.k, want[i].k) << context << " p=" << p << " event " << i;
        ASSERT_EQ(got.n, want[i].n) << context << " p=" << p << " event " << i;
        ASSERT_EQ(got.side, want[i].side) << context << " p=" << p << " event " << i;
      }
    }
  }
}

/// The bitmaps of the mode set up last, and the console of a run.
struct run_state {
  std::vector<std::uint8_t> minus, plus, twin;
  std::string console;
  std::uint32_t left = 0;
};

run_state snapshot(std::string console) {
  return {krange_bitmapminus, krange_bitmapplus, krangetwin_bitmap, std::move(console),
          krange_numbers_left()};
}

/// A run from scratch with the one-prime routine.
run_state one_prime_run(const RefRun& run, const std::vector<std::uint64_t>& primes) {
  start(run);
  return snapshot(krange_test::sieve(primes, run.twin));
}

/// A run from scratch in blocks (lengths used in turn, the last repeated),
/// searched and then applied prime by prime; the search leaves the bitmaps
/// alone and each apply step returns the candidates it struck.
run_state block_run(const RefRun& run, const std::vector<std::uint64_t>& primes,
                    const std::vector<std::size_t>& lengths) {
  start(run);
  const krange_settings_t s = krange_current_settings(run.twin);
  const krange_bitmaps_t maps = krange_current_bitmaps(run.twin);
  krange_work_t work;
  krange_hits_t hits;
  testing::internal::CaptureStdout();
  std::size_t at = 0;
  for (std::size_t b = 0; at < primes.size(); ++b) {
    const std::size_t n = std::min(lengths[std::min(b, lengths.size() - 1)], primes.size() - at);
    const run_state before = snapshot("");
    krange_search_block(s, std::span(primes).subspan(at, n), work, hits);
    EXPECT_EQ(snapshot("").minus, before.minus);
    EXPECT_EQ(snapshot("").plus, before.plus);
    EXPECT_EQ(snapshot("").twin, before.twin);
    for (std::size_t j = 0; j < n; ++j) {
      const std::uint32_t left = krange_numbers_left();
      const std::uint64_t struck = krange_apply_prime(s, hits, j, maps);
      EXPECT_EQ(left - krange_numbers_left(), struck) << "p=" << primes[at + j];
    }
    at += n;
  }
  return snapshot(testing::internal::GetCapturedStdout());
}

class KrangeSearch : public ::testing::TestWithParam<arith_variant> {
 protected:
  void SetUp() override {
    saved_ = current_arith_variant();
    if (!set_arith_variant(GetParam())) GTEST_SKIP() << "version not supported by this processor";
  }
  void TearDown() override { set_arith_variant(saved_); }

  /// The events against the reference, then block runs of several shapes
  /// against the one-prime run and, when `brute` is set, the reference run.
  void check(RefRun run, std::vector<std::uint64_t> primes, bool brute) {
    std::erase(primes, 2);
    const std::string context = krange_test::describe(run);
    start(run);
    const krange_settings_t s = krange_current_settings(run.twin);
    expect_reference_events(s, primes, 37, context);
    if (testing::Test::HasFatalFailure()) return;
    const run_state one = one_prime_run(run, primes);
    if (brute) {
      for (const std::uint64_t p : primes) run.apply_prime(p);
      EXPECT_EQ(one.console, run.report) << context;
      EXPECT_EQ(one.left, run.left()) << context;
    }
    const std::vector<std::vector<std::size_t>> plans = {
        {1}, {3}, {16, 17}, {4096}, {5, 1, 2, 1000}, {primes.size()}};
    for (const auto& plan : plans) {
      const run_state blocks = block_run(run, primes, plan);
      const std::string at = context + " first block " + std::to_string(plan[0]);
      EXPECT_EQ(blocks.minus, one.minus) << at;
      EXPECT_EQ(blocks.plus, one.plus) << at;
      EXPECT_EQ(blocks.twin, one.twin) << at;
      EXPECT_EQ(blocks.console, one.console) << at;
      EXPECT_EQ(blocks.left, one.left) << at;
    }
  }

 private:
  arith_variant saved_ = arith_variant::scalar;
};

TEST_P(KrangeSearch, TwinBlocksAcrossKhigh) {
  RefRun run(1, 1999, 7, 7);
  run.twin = true;
  check(run, ref::primes_between(0, 8000), true);
  RefRun large_n(101, 3001, 100000, 100000);
  large_n.twin = true;
  check(large_n, ref::primes_between(0, 9000), true);
}

TEST_P(KrangeSearch, BothSidesAndEachSideAlone) {
  check(RefRun(1, 1009, 1, 12), ref::primes_between(0, 5000), true);
  RefRun minus_only(101, 1200, 5, 9);
  minus_only.plus = false;
  check(minus_only, ref::primes_between(0, 3000), true);
  RefRun plus_only(101, 1200, 5, 9);
  plus_only.minus = false;
  check(plus_only, ref::primes_between(0, 3000), true);
  RefRun none(1, 99, 1, 10);
  none.minus = none.plus = false;
  check(none, ref::primes_between(0, 500), true);
  check(RefRun(1, 99, 10, 9), ref::primes_between(0, 500), true);  // no exponent
}

TEST_P(KrangeSearch, ExponentRangesLongerThanTheOrder) {
  // The chain returns to its start for every small prime: the events stop
  // there.
  check(RefRun(1, 301, 1000, 1090), ref::primes_between(0, 1500), true);
  check(RefRun(7, 7, 0, 200), ref::primes_between(0, 600), true);
}

TEST_P(KrangeSearch, LongChainsOfLargePrimes) {
  // Primes far above khigh with a hundred and more exponents: the scan
  // jumps block by block; planted primes strike k near the chain's ends.
  std::vector<std::uint64_t> primes =
      ref::primes_between(1000000000000ULL, 1000000000000ULL + 30000);
  // Primes dividing k*2^n+-1 for small k and n in the range, from the full
  // factorisation of those numbers (all below 2^47).
  for (std::uint64_t k = 1; k <= 63; k += 2) {
    for (const std::uint64_t n : {40, 41}) {
      for (const int side : {-1, +1}) {
        std::uint64_t number = (k << n) + side;
        for (const std::uint32_t q : reference::trial_primes()) {
          if (std::uint64_t{q} * q > number) break;
          if (number % q != 0) continue;
          if (q > 99) primes.push_back(q);
          while (number % q == 0) number /= q;
        }
        if (number > 99) primes.push_back(number);
      }
    }
  }
  std::sort(primes.begin(), primes.end());
  primes.erase(std::unique(primes.begin(), primes.end()), primes.end());
  RefRun planted(1, 99, 40, 139);
  check(planted, primes, false);
  EXPECT_GT(one_prime_run(planted, primes).console.size(), 1000u) << "the planted primes report";
  check(RefRun(1, 100001, 1000, 1099), primes, false);
}

TEST_P(KrangeSearch, RangesNearTwoToThe32AndPrimesNearTwoToThe50) {
  const std::uint64_t khigh = 4294967294ULL;
  std::vector<std::uint64_t> primes = ref::primes_between(3, 50);
  for (std::uint64_t lo : {1431655765ULL, 2147483600ULL, 4294966000ULL, 4294967200ULL}) {
    const auto more = ref::primes_between(lo, lo + 400);
    primes.insert(primes.end(), more.begin(), more.end());
  }
  std::sort(primes.begin(), primes.end());
  primes.erase(std::unique(primes.begin(), primes.end()), primes.end());
  check(RefRun(khigh - 1999, khigh, 1, 8), primes, true);

  std::vector<std::uint64_t> top;
  for (std::uint64_t p = (std::uint64_t{1} << 50) - 1; top.size() < 40; p -= 2)
    if (ref::is_prime(p)) top.insert(top.begin(), p);
  check(RefRun(1, 4001, 1, 60), top, true);
}

TEST_P(KrangeSearch, BlocksAboveTwoToThe50UpToTwoToThe62) {
  // Blocks of primes on both sides of 2^50 (the vector kernels' bound) and
  // just below 2^62 (the largest p the program sieves), with a k range whose numbers they divide: the
  // factors of k*2^n+-1 themselves, found by 128-bit trial division up to
  // a bound and a primality test of the cofactor.
  std::vector<std::uint64_t> primes;
  for (const std::uint64_t base :
       {(std::uint64_t{1} << 50) - 1500, (std::uint64_t{1} << 62) - 1500}) {
    for (std::uint64_t p = base + 1; p < base + 3000 && p < p_limit; p += 2)
      if (ref::is_prime(p)) primes.push_back(p);
  }
  for (std::uint64_t k = 1; k <= 41; k += 2) {
    for (const std::uint64_t n : {50, 61}) {
      for (const int side : {-1, +1}) {
        std::uint64_t number = (k << n) + side;
        for (std::uint64_t d = 3; d < 100000 && d * d <= number; d += 2)
          while (number % d == 0) number /= d;
        if (number > (std::uint64_t{1} << 40) && number < (std::uint64_t{1} << 62) &&
            ref::is_prime(number))
          primes.push_back(number);
      }
    }
  }
  std::sort(primes.begin(), primes.end());
  primes.erase(std::unique(primes.begin(), primes.end()), primes.end());
  RefRun run(1, 41, 48, 63);
  check(run, primes, true);
  EXPECT_GT(one_prime_run(run, primes).console.size(), 100u) << "the planted primes report";
  RefRun twin(1, 41, 61, 61);
  twin.twin = true;
  check(twin, primes, true);
}

TEST_P(KrangeSearch, BlocksOfShuffledPrimesGiveEachPrimeItsEvents) {
  // The search does not rely on the order of a block.
  std::vector<std::uint64_t> primes = ref::primes_between(3, 3000);
  std::shuffle(primes.begin(), primes.end(), std::mt19937_64(5));
  RefRun run(1, 1201, 3, 30);
  start(run);
  expect_reference_events(krange_current_settings(false), primes, 700, "shuffled");
}

INSTANTIATE_TEST_SUITE_P(AllVersions, KrangeSearch,
                         ::testing::Values(arith_variant::scalar
#if QUORVEL_HAVE_AVX2
                                           ,
                                           arith_variant::avx2
#endif
                                           ),
                         [](const ::testing::TestParamInfo<arith_variant>& info) {
                           return std::string(info.param == arith_variant::scalar ? "Scalar"
                                                                                  : "Avx2");
                         });

TEST(KrangeBlockLength, ShrinksWhereEventsCrowd) {
  krange_settings_t s;
  s.klow = 1;
  s.khigh = 2000001;
  s.nlow = s.nhigh = 100000;
  s.dominus = s.doplus = true;
  s.twin = true;
  EXPECT_EQ(krange_block_length(s, 3), 4096u);
  s.twin = false;
  s.nlow = 1;
  s.nhigh = 10000;
  EXPECT_LT(krange_block_length(s, 3), 20u);
  EXPECT_GE(krange_block_length(s, 3), 1u);
  EXPECT_EQ(krange_block_length(s, 1000000000000ULL), 4096u);
}

TEST(KrangeApply, AFalseEventIsRefusedBeforeAnyBitChanges) {
  // Hand-made events the search would never make: 101 divides neither
  // 7*2^5-1 = 223 nor 7*2^5+1 = 225 (a single k above khigh), and 11 does
  // not divide 3*2^3-1 = 23 (the first k of a walk below khigh).
  RefRun run(1, 99, 1, 10);
  start(run);
  const krange_settings_t s = krange_current_settings(false);
  const krange_bitmaps_t bitmaps = krange_current_bitmaps(false);
  const std::vector<std::uint8_t> minus = krange_bitmapminus, plus = krange_bitmapplus;
  const std::vector<std::tuple<std::uint64_t, krange_event_t, std::string>> cases = {
      {101, {7, 5, -1}, "7*2^5-1"}, {101, {7, 5, +1}, "7*2^5+1"}, {11, {3, 3, -1}, "3*2^3-1"}};
  for (const auto& [p, ev, text] : cases) {
    krange_hits_t hits;
    hits.primes = {p};
    hits.first = {0, 1};
    hits.events = {ev};
    testing::internal::CaptureStdout();
    try {
      krange_apply_prime(s, hits, 0, bitmaps);
      ADD_FAILURE() << "accepted " << p << " | " << text;
    } catch (const false_factor_error& e) {
      EXPECT_EQ(e.p(), p);
      EXPECT_EQ(e.number(), text);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(krange_bitmapminus, minus) << p << " | " << text;
    EXPECT_EQ(krange_bitmapplus, plus) << p << " | " << text;
  }
}

}  // namespace
}  // namespace quorvel
