// The block search and the apply step of the near-Mersenne mode, with every
// version of the batch kernels forced in turn: blocks of every size (one
// prime, part of a group of four, many groups, a last partial block) give
// the bitmap, the count and the console of the one-prime routine nm_do_p,
// and of the brute-force reference, which tests every pair directly; the
// search leaves the bitmap alone; the table's spill path (forced with few
// buckets) finds the same pairs.
#include "nearmersenne/nm_search.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "arith/batch.hpp"
#include "db/false_factor.hpp"
#include "nm_test_util.hpp"
#include "reference/nearmersenne_reference.hpp"
#include "reference/reference.hpp"
#include "support/test_support.hpp"

namespace quorvel {
namespace {

using nm_test::setup;
using test::ScratchDir;

/// Every odd prime in [lo, hi].
std::vector<std::uint64_t> odd_primes(std::uint64_t lo, std::uint64_t hi) {
  std::vector<std::uint64_t> out = ref::primes_between(lo, hi);
  std::erase(out, 2);
  return out;
}

/// The bitmap, the count and the console after a run.
struct run_state {
  std::vector<std::uint8_t> bitmap;
  std::uint64_t candidates = 0;
  std::string console;
};

/// A run from scratch with the one-prime routine.
run_state one_prime_run(std::uint32_t alow, std::uint32_t ahigh,
                        const std::vector<std::uint64_t>& primes) {
  ScratchDir dir;
  setup(alow, ahigh, (dir / "absent.txt").string());
  nm::cnt = 0;
  run_state r;
  r.console = nm_test::sieve(primes);
  r.bitmap = nm_bitmap;
  r.candidates = nm_candidates;
  return r;
}

/// A run from scratch in blocks of the given lengths (the last one repeated
/// as needed), each searched and then applied prime by prime. The search
/// must leave the bitmap as it found it.
run_state block_run(std::uint32_t alow, std::uint32_t ahigh,
                    const std::vector<std::uint64_t>& primes,
                    const std::vector<std::size_t>& lengths, nm_work_t& work) {
  ScratchDir dir;
  setup(alow, ahigh, (dir / "absent.txt").string());
  const nm_settings_t settings = nm_current_settings();
  nm_hits_t hits;
  nm_progress_t progress;
  testing::internal::CaptureStdout();
  std::size_t at = 0;
  for (std::size_t b = 0; at < primes.size(); ++b) {
    const std::size_t length =
        std::min(lengths[std::min(b, lengths.size() - 1)], primes.size() - at);
    const std::vector<std::uint8_t> before = nm_bitmap;
    nm_search_block(settings, std::span(primes).subspan(at, length), work, hits);
    EXPECT_EQ(nm_bitmap, before) << "the search changed the bitmap";
    EXPECT_EQ(hits.primes.size(), length);
    for (std::size_t j = 0; j < length; ++j) {
      const std::uint64_t left = nm_candidates;
      const std::uint64_t struck =
          nm_apply_prime(settings, hits, j, progress, nm_bitmap, nm_candidates);
      EXPECT_EQ(left - nm_candidates, struck) << "p=" << primes[at + j];
    }
    at += length;
  }
  run_state r;
  r.console = testing::internal::GetCapturedStdout();
  r.bitmap = nm_bitmap;
  r.candidates = nm_candidates;
  return r;
}

/// Runs forced to one version of the batch kernels.
class NmSearch : public ::testing::TestWithParam<arith_variant> {
 protected:
  void SetUp() override {
    saved_ = current_arith_variant();
    if (!set_arith_variant(GetParam())) GTEST_SKIP() << "version not supported by this processor";
  }
  void TearDown() override { set_arith_variant(saved_); }

  /// Block runs with several block lengths against the one-prime run and,
  /// when `brute` is set, the reference.
  void check(std::uint32_t alow, std::uint32_t ahigh, const std::vector<std::uint64_t>& primes,
             bool brute, const std::string& context) {
    const run_state one = one_prime_run(alow, ahigh, primes);
    if (brute) {
      nm_ref::RefRun ref(alow, ahigh);
      for (const std::uint64_t p : primes) ref.apply_prime(p);
      ScratchDir dir;
      setup(alow, ahigh, (dir / "absent.txt").string());
      nm_bitmap = one.bitmap;
      nm_candidates = one.candidates;
      nm_test::expect_matches(ref, context + " (one-prime routine)");
    }
    const std::vector<std::vector<std::size_t>> plans = {
        {1}, {3}, {4, 5, 7}, {256}, {primes.size()}, {9, 1, 2, 100}};
    for (const auto& plan : plans) {
      nm_work_t work;
      const run_state blocks = block_run(alow, ahigh, primes, plan, work);
      const std::string at = context + " first block " + std::to_string(plan[0]);
      EXPECT_EQ(blocks.bitmap, one.bitmap) << at;
      EXPECT_EQ(blocks.candidates, one.candidates) << at;
      EXPECT_EQ(blocks.console, one.console) << at;
    }
  }

 private:
  arith_variant saved_ = arith_variant::scalar;
};

TEST_P(NmSearch, EveryPrimeFromThreeShortAndLongRows) {
  // Small primes: small orders of 2, many solutions per row, rows a <= 50
  // under their rule; the progress line every tenth prime.
  check(1, 40, odd_primes(0, 20000), true, "rows 1..40");
  check(45, 260, odd_primes(0, 3000), true, "rows 45..260");
  check(3, 14, odd_primes(0, 300000), false, "rows 3..14");
}

TEST_P(NmSearch, LargePrimesWithSolutionsAndSmallOrders) {
  std::vector<std::uint64_t> primes = nm_test::large_factors(20240612, 10);
  for (const std::uint64_t p : {2147483647ULL, 3203431780337ULL, 145295143558111ULL,
                                1066818132868207ULL, 358429848460993ULL, 345767385170491ULL})
    primes.push_back(p);
  for (std::uint64_t p = (std::uint64_t{1} << 50) - 1, found = 0; found < 3; p -= 2) {
    if (!ref::is_prime(p)) continue;
    primes.push_back(p);
    ++found;
  }
  const auto around = odd_primes(1000000000000ULL, 1000000000000ULL + 2000);
  primes.insert(primes.end(), around.begin(), around.end());
  std::sort(primes.begin(), primes.end());
  nm_ref::RefRun ref(40, 600);
  std::uint64_t hits = 0;
  for (const std::uint64_t p : primes) hits += ref.apply_prime(p);
  ASSERT_GT(hits, 300u);
  check(40, 600, primes, true, "large primes");
}

TEST_P(NmSearch, PrimesAboveTwoToThe50UpToTwoToThe62) {
  // Around 2^50 and below 2^62, where rows a > 50 are sieved only by p <
  // 2^(a-1); with divisors of 2^a - 2^b + 1 for a from 51 to 63 planted.
  std::vector<std::uint64_t> primes;
  for (const std::uint64_t base :
       {(std::uint64_t{1} << 50) - 500, (std::uint64_t{1} << 62) - 500}) {
    for (std::uint64_t p = base + 1; p < base + 1000; p += 2)
      if (ref::is_prime(p)) primes.push_back(p);
  }
  std::mt19937_64 rng(62);
  for (int found = 0; found < 12;) {
    const auto a = static_cast<std::uint32_t>(51 + rng() % 13);
    const auto b = static_cast<std::uint32_t>(1 + rng() % (a - 1));
    std::uint64_t n = static_cast<std::uint64_t>(nm_ref::number(a, b));
    for (std::uint64_t d = 3; d < 5000; d += 2)
      while (n % d == 0) n /= d;
    if (n > (std::uint64_t{1} << 40) && n < (std::uint64_t{1} << 62) && ref::is_prime(n)) {
      primes.push_back(n);
      ++found;
    }
  }
  std::sort(primes.begin(), primes.end());
  primes.erase(std::unique(primes.begin(), primes.end()), primes.end());
  check(40, 300, primes, true, "above 2^50");
}

TEST_P(NmSearch, WidestRowsAndOneRow) {
  const std::vector<std::uint64_t> primes = {
      3, 7, 31, 127, 8191, 131071, 2147483647ULL, 145295143558111ULL, 1125899906842597ULL};
  check(65530, 65535, primes, true, "rows 65530..65535");
  check(65535, 65535, primes, true, "row 65535");
  check(1, 1, primes, true, "row 1");
}

TEST_P(NmSearch, CrowdedTablesSpillAndStillFindEveryPair) {
  // Sixteen buckets for up to 600 exponents: every table crowds, and the
  // spilled exponents must still be found.
  std::vector<std::uint64_t> primes = nm_test::large_factors(77, 8);
  const auto small = odd_primes(3, 400);
  primes.insert(primes.end(), small.begin(), small.end());
  std::sort(primes.begin(), primes.end());
  const run_state one = one_prime_run(40, 600, primes);
  nm_work_t work;
  work.buckets_wanted = 16;
  const run_state blocks = block_run(40, 600, primes, {5}, work);
  EXPECT_GE(work.crowded_tables, 8u);  // at least every large prime
  EXPECT_EQ(blocks.bitmap, one.bitmap);
  EXPECT_EQ(blocks.candidates, one.candidates);
  nm_ref::RefRun ref(40, 600);
  for (const std::uint64_t p : primes) ref.apply_prime(p);
  EXPECT_EQ(one.candidates, ref.left());
}

TEST_P(NmSearch, EventsOfAPrimeComeRowByRowWithTheOrderAsStep) {
  // 8191 = 2^13 - 1: the order of 2 is 13, and row a > 13 holds b0, b0 + 13,
  // ... as one event.
  ScratchDir dir;
  setup(20, 80, (dir / "absent.txt").string());
  nm_work_t work;
  nm_hits_t hits;
  const std::vector<std::uint64_t> block = {8191};
  nm_search_block(nm_current_settings(), block, work, hits);
  ASSERT_EQ(hits.first.size(), 2u);
  ASSERT_GT(hits.first[1], 0u);
  std::uint32_t last_row = 0;
  for (std::size_t i = 0; i < hits.first[1]; ++i) {
    const nm_event_t& ev = hits.events[i];
    EXPECT_GT(ev.a, last_row);
    last_row = ev.a;
    EXPECT_EQ(ev.step, 13u);
    EXPECT_LT(ev.b, 14u);  // the smallest solution of the row
    for (std::uint32_t b = ev.b; b < ev.a; b += 13)
      EXPECT_EQ(nm_ref::number(ev.a, b) % 8191, 0u) << "a=" << ev.a << " b=" << b;
  }
}

TEST_P(NmSearch, ProgressLineCountsBeforeThePrimeAcrossBlocks) {
  ScratchDir dir;
  setup(10, 30, (dir / "absent.txt").string());
  const nm_settings_t settings = nm_current_settings();
  const auto primes = odd_primes(3, 200);  // 45 primes
  nm_ref::RefRun ref(10, 30);
  std::string expected;
  for (std::size_t i = 0; i < primes.size(); ++i) {
    if ((i + 1) % 10 == 0)
      expected += "trying p: " + std::to_string(primes[i]) + " (" + std::to_string(ref.left()) +
                  " numbers left)\n";
    ref.apply_prime(primes[i]);
  }
  nm_work_t work;
  nm_hits_t hits;
  nm_progress_t progress;
  testing::internal::CaptureStdout();
  for (std::size_t at = 0; at < primes.size(); at += 7) {
    const std::size_t length = std::min<std::size_t>(7, primes.size() - at);
    nm_search_block(settings, std::span(primes).subspan(at, length), work, hits);
    for (std::size_t j = 0; j < length; ++j)
      nm_apply_prime(settings, hits, j, progress, nm_bitmap, nm_candidates);
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
  EXPECT_EQ(progress.cnt, primes.size() % 10);
  nm_test::expect_matches(ref, "progress run");
}

INSTANTIATE_TEST_SUITE_P(AllVersions, NmSearch,
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

TEST(NmBlockLength, KeepsEventsBoundedAndBlocksUseful) {
  EXPECT_EQ(nm_block_length({1000, 2000}), 256u);
  EXPECT_EQ(nm_block_length({1, 65535}), 4u);
  EXPECT_GE(nm_block_length({65535, 65535}), 1u);
}

TEST(NmApply, AFalseEventIsRefusedBeforeAnyBitChanges) {
  ScratchDir dir;
  setup(10, 20, (dir / "absent.txt").string());
  const nm_settings_t s = nm_current_settings();
  const std::vector<std::uint8_t> before = nm_bitmap;
  const std::uint64_t left = nm_candidates;
  // 2^12 - 2^3 + 1 = 4089 = 3 * 29 * 47 is not divisible by 7. 2^10 - 2^1 + 1
  // = 1023 = 3 * 11 * 31 is, by 11, but 2^3 is not 1 modulo 11, so the
  // second pair of a step-3 event, 2^10 - 2^4 + 1 = 1009 (a prime), is false.
  const std::vector<std::tuple<std::uint64_t, nm_event_t, std::string>> cases = {
      {7, {12, 3, 0}, "2^12-2^3+1"}, {11, {10, 1, 3}, "2^10-2^4+1"}};
  for (const auto& [p, ev, text] : cases) {
    nm_hits_t hits;
    hits.primes = {p};
    hits.first = {0, 1};
    hits.events = {ev};
    nm_progress_t progress;
    std::uint64_t candidates = left;
    try {
      nm_apply_prime(s, hits, 0, progress, nm_bitmap, candidates);
      ADD_FAILURE() << "accepted " << p << " | " << text;
    } catch (const false_factor_error& e) {
      EXPECT_EQ(e.p(), p);
      EXPECT_EQ(e.number(), text);
    }
    EXPECT_EQ(nm_bitmap, before) << text;
    EXPECT_EQ(candidates, left) << text;
  }
}

}  // namespace
}  // namespace quorvel
