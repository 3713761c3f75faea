// The statistics of the search ("# Whacked k", "# Whacked p") against the
// literal model of tests/reference/filter_model.hpp, prime by prime: the
// search reaches its drops by other computations (one power per k for both
// the power test and the logarithm, Pohlig-Hellman by prime powers), so the
// counts must come out exactly as the plain filters give them.
#include <gtest/gtest.h>

#include <random>

#include "db/candidate_file.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"
#include "quorvel/search_state.hpp"
#include "reference/filter_model.hpp"
#include "reference/reference.hpp"
#include "search/candidate_files.hpp"
#include "search/prime_job.hpp"
#include "search/search.hpp"
#include "search/search_context.hpp"
#include "support/test_support.hpp"

namespace quorvel {
namespace {

/// The primes 31 <= q < 2^20 dividing p - 1 (a record as the prime stream
/// would make it with Q just below 2^20).
std::vector<std::uint32_t> record_of(std::uint64_t p) {
  std::vector<std::uint32_t> out;
  std::uint64_t rest = p - 1;
  for (std::uint64_t q = 2; q < (1u << 20) && q <= rest; ++q) {
    if (rest % q != 0) continue;
    if (q >= 31 && ref::is_prime(q)) out.push_back(static_cast<std::uint32_t>(q));
    while (rest % q == 0) rest /= q;
  }
  return out;
}

void check_counts(const test::Candidates& c, const std::vector<std::uint64_t>& primes) {
  test::ScratchDir dir;
  test::write_file(dir / "cand.dat", c.text());
  mode = c.sign > 0 ? mode_proth : mode_riesel;
  verbose = 0;
  ASSERT_TRUE(read_db((dir / "cand.dat").string()));
  hash_bits = num_k <= 19 ? 12 : 13;
  ASSERT_TRUE(initialize_proth_riesel());
  std::vector<ref::KModel> ks;
  for (std::uint32_t i = 0; i < num_k; ++i) ks.push_back({ak[i], alegk[i], akpower[i], akequiv[i]});

  static prime_block_t block;
  static search_context_t ctx;
  ref::DropCounts want;
  ctx.whackedk = ctx.whackedp = 0;
  for (std::size_t i = 0; i < primes.size();) {
    block.count = 0;
    for (; i < primes.size() && block.count < block_capacity; ++i) {
      const auto record = record_of(primes[i]);
      block.jobs[block.count++].reset(primes[i], record);
      const ref::DropCounts d =
          ref::drops_model(primes[i], record, ks, mode == mode_proth, hash_bits, nlow, nhigh);
      want.whacked_k += d.whacked_k;
      want.whacked_p += d.whacked_p;
    }
    search_block(block, ctx);
    ASSERT_EQ(ctx.whackedk, want.whacked_k) << "after prime " << primes[i - 1];
    ASSERT_EQ(ctx.whackedp, want.whacked_p) << "after prime " << primes[i - 1];
  }
  EXPECT_GT(want.whacked_k, 0u);
}

/// Some primes of a few ranges, sparse so that p-1 varies widely: up to
/// 2^50, then above it in each kernel family up to just below 2^62 (where
/// the record up to 2^20 leaves p-1 only partly factored for most p).
std::vector<std::uint64_t> sample_primes(std::uint64_t seed, int per_range) {
  std::mt19937_64 rng(seed);
  std::vector<std::uint64_t> out;
  for (std::uint64_t lo :
       {1000000000ULL, 1000000000000ULL, 1125899906000000ULL, 4503599627370496ULL,
        6755399441055744ULL, 2305843009213693952ULL, 4611686017627387904ULL}) {
    for (int i = 0; i < per_range; ++i) {
      std::uint64_t p = (lo + rng() % 800000000) | 1;
      if (lo == 1125899906000000ULL) p = (lo + rng() % 800000) | 1;
      while (!ref::is_prime(p)) p += 2;
      out.push_back(p);
    }
  }
  return out;
}

TEST(DropCounts, StandardSetMatchesTheModel) {
  test::Candidates c;
  c.sign = +1;
  c.nlow = 1000000;
  c.nhigh = 20000000;
  const std::int64_t ks[] = {4847,  10223, 19249, 21181, 22699, 24737,
                             27653, 28433, 33661, 55459, 67607};
  const std::uint32_t eq[] = {15, 5, 14, 20, 46, 7, 33, 1, 0, 10, 3};
  const std::uint32_t pw[] = {24, 12, 36, 24, 72, 24, 36, 24, 24, 12, 8};
  std::mt19937_64 rng(3);
  for (int i = 0; i < 11; ++i) {
    const std::size_t j = c.add_k(ks[i]);
    for (int t = 0; t < 30; ++t) c.add_n(j, c.nlow + eq[i] + pw[i] * (rng() % 700000));
    c.add_n(j, c.nlow + eq[i] + pw[i] * 1000000);
    c.add_n(j, c.nlow + eq[i] + pw[i] * 1000001);
  }
  check_counts(c, sample_primes(11, 120));
}

TEST(DropCounts, ManyRieselKWithSmallPeriodsMatchTheModel) {
  test::Candidates c;
  c.sign = -1;
  c.nlow = 300000;
  c.nhigh = 3000000;
  std::mt19937_64 rng(5);
  while (c.ks.size() < 30) {
    const std::int64_t k = static_cast<std::int64_t>(rng() % 900000) | 1;
    const std::size_t j = c.add_k(k);
    for (int t = 0; t < 25; ++t) c.add_n(j, c.nlow + rng() % (c.nhigh - c.nlow));
  }
  check_counts(c, sample_primes(12, 60));
}

TEST(DropCounts, SmallSpecialKMatchTheModel) {
  test::Candidates c;
  c.sign = +1;
  c.nlow = 100;
  c.nhigh = 60000;
  std::mt19937_64 rng(6);
  for (std::int64_t k : {1, 3, 5, 7, 9, 15, 2, 1000003, 2147483647}) {
    const std::size_t j = c.add_k(k);
    for (int t = 0; t < 20; ++t) c.add_n(j, c.nlow + rng() % (c.nhigh - c.nlow));
  }
  check_counts(c, sample_primes(13, 80));
}

}  // namespace
}  // namespace quorvel
