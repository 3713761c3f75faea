// The generator against a direct factor search over every number of small
// ranges (both forms, k = 1, k divisible by 3, big k, the top of the n
// range), the passes of long ranges, and the candidate file text.
#include "newdat/candidate_gen.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "newdat/newdat_reference.hpp"
#include "quorvel/common.hpp"

namespace quorvel {
namespace {

using ref::is_prime_trial;
using ref::powmod;
using test::ref_candidates;
using test::ref_number;
using test::ref_primes;

std::string show(const std::vector<std::int32_t>& ks) {
  std::string s;
  for (const auto k : ks) s += std::to_string(k) + " ";
  return s;
}

// generate_candidates against the reference for every k of `ks`.
void expect_matches_reference(int form, const std::vector<std::int32_t>& ks, std::uint32_t nmin,
                              std::uint32_t nmax, std::uint32_t bound) {
  const std::vector<std::uint32_t> primes = ref_primes(bound);
  const candidate_lists_t got = generate_candidates(form, ks, nmin, nmax, bound);
  ASSERT_EQ(got.size(), ks.size());
  for (std::size_t j = 0; j < ks.size(); ++j) {
    const auto expect =
        ref_candidates(form == mode_proth, static_cast<std::uint64_t>(ks[j]), nmin, nmax, primes);
    EXPECT_EQ(got[j], expect) << "form=" << form << " k=" << ks[j] << " n=" << nmin << ".." << nmax
                              << " bound=" << bound << " (k list " << show(ks) << ")";
  }
}

std::vector<std::int32_t> mixed_ks() {
  std::vector<std::int32_t> ks = {1, 3, 5, 7, 9, 15, 27, 45, 105, 2145, 3003, 4847};
  std::mt19937 rng(4242);
  while (ks.size() < 20) {
    const std::int32_t k = static_cast<std::int32_t>(rng() % 5000) | 1;
    if (std::find(ks.begin(), ks.end(), k) == ks.end()) ks.push_back(k);
  }
  return ks;
}

TEST(GenerateCandidates, ProthMatchesDirectFactorSearch) {
  expect_matches_reference(mode_proth, mixed_ks(), 0, 1500, 10007);
}

TEST(GenerateCandidates, RieselMatchesDirectFactorSearch) {
  expect_matches_reference(mode_riesel, mixed_ks(), 0, 1500, 10007);
}

TEST(GenerateCandidates, BoundsRangesAndLargeK) {
  const std::vector<std::int32_t> big = {2147483647, 2147483645, 1999999999, 1073741825};
  for (const int form : {mode_proth, mode_riesel}) {
    for (const std::uint32_t bound : {3u, 4u, 5u, 7u, 8u, 100u, 1000u, 65537u}) {
      expect_matches_reference(form, {1, 3, 11, 51, 4847}, 1, 64, bound);
      expect_matches_reference(form, big, 0, 70, bound);
    }
    expect_matches_reference(form, {1, 5, 33, 2145}, 517, 1499, 3001);
    expect_matches_reference(form, {7}, 0, 0, 100);
    expect_matches_reference(form, {7, 9}, 12, 12, 100);
    // The very top of the 32-bit n range.
    expect_matches_reference(form, {3, 1095, 4847}, 4294967295u - 400, 4294967295u, 2000);
  }
}

TEST(GenerateCandidates, NumbersThatArePrimesUpToTheBoundStay) {
  // 3*2^n+1 for n = 0..9 is 4, 7, 13, 25, 49, 97, 193, 385, 769, 1537.
  const candidate_lists_t got = generate_candidates(mode_proth, {3}, 0, 9, 1000);
  // 1537 = 29 * 53 is above the bound and has a factor below it.
  EXPECT_EQ(got[0], (std::vector<std::uint32_t>{1, 2, 5, 6, 8}));
  // k = 1: 2^n+1 is 2, 3, 5, 9, 17, 33 and 2^n-1 is 0, 1, 3, 7, 15, 31.
  EXPECT_EQ(generate_candidates(mode_proth, {1}, 0, 5, 100)[0],
            (std::vector<std::uint32_t>{0, 1, 2, 4}));
  EXPECT_EQ(generate_candidates(mode_riesel, {1}, 0, 5, 100)[0],
            (std::vector<std::uint32_t>{2, 3, 5}));
  // Every number up to the bound stays exactly when it is prime.
  for (const int form : {mode_proth, mode_riesel}) {
    for (const std::int32_t k : {1, 3, 5, 15, 39, 1023}) {
      const std::uint32_t bound = 50000;
      const std::vector<std::uint32_t> list = generate_candidates(form, {k}, 0, 20, bound)[0];
      for (std::uint32_t n = 0; n <= 20; ++n) {
        const auto number = static_cast<std::uint64_t>(ref_number(form == mode_proth, k, n));
        if (number > bound) break;
        const bool listed = std::find(list.begin(), list.end(), n) != list.end();
        EXPECT_EQ(listed, is_prime_trial(number)) << "form=" << form << " k=" << k << " n=" << n;
      }
    }
  }
}

TEST(GenerateCandidates, EveryMultipleOfThreeIsRemoved) {
  // The search's quadratic-residue screen needs this at the smallest bound.
  for (const int form : {mode_proth, mode_riesel}) {
    for (const std::int32_t k : {1, 5, 7, 11, 13, 4847, 10223, 2147483647}) {
      const std::vector<std::uint32_t> list = generate_candidates(form, {k}, 0, 400, 3)[0];
      for (const std::uint32_t n : list) {
        const std::uint64_t r = (k % 3 * powmod(2, n, 3) + (form == mode_proth ? 1 : 2)) % 3;
        const bool is_three = n < 4 && ref_number(form == mode_proth, k, n) == 3;
        EXPECT_TRUE(r != 0 || is_three) << "form=" << form << " k=" << k << " n=" << n;
      }
      EXPECT_FALSE(list.empty()) << "form=" << form << " k=" << k;
    }
  }
}

TEST(GenerateCandidates, PassesJoinSeamlessly) {
  const std::vector<std::int32_t> ks = {1, 3, 5, 4847, 10223};
  for (const int form : {mode_proth, mode_riesel}) {
    const candidate_lists_t whole = generate_candidates(form, ks, 0, 700, 5000);
    for (const std::uint64_t span : {63u, 64u, 100u, 700u, 701u}) {
      EXPECT_EQ(generate_candidates_in_passes(form, ks, 0, 700, 5000, span), whole)
          << "form=" << form << " span=" << span;
    }
    const candidate_lists_t short_range = generate_candidates(form, ks, 0, 40, 5000);
    for (const std::uint64_t span : {1u, 7u}) {
      EXPECT_EQ(generate_candidates_in_passes(form, ks, 0, 40, 5000, span), short_range)
          << "form=" << form << " span=" << span;
    }
    EXPECT_EQ(generate_candidates_in_passes(form, ks, 4294967295u - 300, 4294967295u, 500, 64),
              generate_candidates(form, ks, 4294967295u - 300, 4294967295u, 500))
        << "form=" << form;
  }
}

TEST(FormatCandidateFile, DifferencesAfterTheFirstN) {
  EXPECT_EQ(format_candidate_file({5, 7}, 100, 1000, {{101, 125, 173}, {110}}),
            "2\n100\n1000\nk=5\n101\n+24\n+48\nk=7\n110\n");
}

TEST(FormatCandidateFile, EmptyListsRangeDuplicatesAndZero) {
  // A k without n is its k line alone; no k at all leaves the header.
  EXPECT_EQ(format_candidate_file({3, 9}, 10, 20, {{}, {11}}), "2\n10\n20\nk=3\nk=9\n11\n");
  EXPECT_EQ(format_candidate_file({}, 0, 5, {}), "0\n0\n5\n");
  // Values outside the range are left out, repeats written once, order fixed.
  EXPECT_EQ(format_candidate_file({1}, 100, 200, {{90, 150, 120, 120, 201, 200}}),
            "1\n100\n200\nk=1\n120\n+30\n+50\n");
  // The n after 0 is written in full.
  EXPECT_EQ(format_candidate_file({1}, 0, 9, {{0, 1, 2, 4}}), "1\n0\n9\nk=1\n0\n1\n+1\n+2\n");
  EXPECT_EQ(
      format_candidate_file({2147483647}, 4294967290u, 4294967295u, {{4294967291u, 4294967295u}}),
      "1\n4294967290\n4294967295\nk=2147483647\n4294967291\n+4\n");
}

}  // namespace
}  // namespace quorvel
