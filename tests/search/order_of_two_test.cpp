// order_2_bound against the literal model of tests/reference and against
// the true order of 2 from a full factorisation of p-1.
#include "search/order_of_two.hpp"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "arith/mulmod.hpp"
#include "quorvel/ktable.hpp"
#include "quorvel/search_state.hpp"
#include "reference/order_reference.hpp"
#include "reference/reference.hpp"
#include "search/search_context.hpp"

namespace quorvel {
namespace {

/// The primes 31 <= q <= qmax dividing p - 1, as the prime stream records them.
std::vector<std::uint32_t> sieve_record(std::uint64_t p, std::uint64_t qmax) {
  std::vector<std::uint32_t> out;
  for (std::uint64_t q : ref::prime_factors(p - 1))
    if (q >= 31 && q <= qmax) out.push_back(static_cast<std::uint32_t>(q));
  return out;
}

struct Settings {
  std::uint32_t hb, lo, hi;
};

void check_prime(std::uint64_t p, std::uint64_t qmax, const Settings& s) {
  hash_bits = s.hb;
  nlow = s.lo;
  nhigh = s.hi;
  const auto record = sieve_record(p, qmax);
  prime_state_t st{};
  search_context_t ctx;
  const std::uint64_t b = order_2_bound_with(p, record, st, ctx);
  const ref::OrderBound model = ref::order_bound_model(p, record, s.hb, s.hi - s.lo);
  SCOPED_TRACE("p=" + std::to_string(p) + " qmax=" + std::to_string(qmax) +
               " hb=" + std::to_string(s.hb) + " range=" + std::to_string(s.hi - s.lo));
  ASSERT_EQ(b, model.b);
  ASSERT_EQ(
      std::vector<std::uint32_t>(st.ao2bfactors.begin(), st.ao2bfactors.begin() + st.o2bfactors),
      model.chunks);
  ASSERT_EQ(st.ao2bfactors[st.o2bfactors], 0u);
  const std::uint64_t order = ref::order_mod(2, p);
  ASSERT_EQ((p - 1) % b, 0u);
  ASSERT_EQ(b % order, 0u);
  // Fully factored p-1 (every prime factor found) gives the order itself.
  std::uint64_t largest = ref::prime_factors(p - 1).back();
  if (largest <= std::max<std::uint64_t>(qmax, 29)) {
    ASSERT_EQ(b, order);
  }
}

TEST(OrderOfTwo, SmallPrimeExample) {
  hash_bits = 12;
  nlow = 0;
  nhigh = 20000000;
  prime_state_t st{};
  search_context_t ctx;
  EXPECT_EQ(order_2_bound_with(7, {}, st, ctx), 3u);
  ASSERT_EQ(st.o2bfactors, 1u);
  EXPECT_EQ(st.ao2bfactors[0], 3u);
}

TEST(OrderOfTwo, MatchesModelAndTrueOrderOnRandomPrimes) {
  std::mt19937_64 rng(20261208);
  const Settings settings[] = {
      {12, 1000000, 20000000}, {13, 300000, 3000000}, {12, 100, 1100}, {13, 0, 50}};
  for (int bits : {20, 30, 40, 50}) {
    for (int trial = 0; trial < 60; ++trial) {
      std::uint64_t p = (rng() >> (64 - bits)) | 1 | (std::uint64_t{1} << (bits - 1));
      while (!ref::is_prime(p)) p += 2;
      const std::uint64_t qmax = trial % 3 == 0 ? 1000 : 40000000;
      check_prime(p, qmax, settings[trial % 4]);
    }
  }
}

TEST(OrderOfTwo, SmoothAndPrimePowerCases) {
  // p-1 with high powers of small primes and repeated larger primes, so the
  // chunk rules for prime powers and merges are exercised.
  std::vector<std::uint64_t> primes;
  for (std::uint64_t base : {std::uint64_t{2} * 3 * 3 * 5 * 7 * 31 * 31, std::uint64_t{1} << 20,
                             std::uint64_t{2} * 181 * 181 * 181, std::uint64_t{4} * 173 * 173,
                             std::uint64_t{2} * 3 * 3 * 3 * 3 * 3 * 3 * 7 * 7 * 7,
                             std::uint64_t{8} * 9 * 25 * 49 * 11 * 13 * 17 * 19 * 23}) {
    int found = 0;
    for (std::uint64_t m = 1; found < 8 && m < 100000; ++m) {
      const std::uint64_t p = base * m + 1;
      if (ref::is_prime(p)) {
        primes.push_back(p);
        ++found;
      }
    }
  }
  ASSERT_GT(primes.size(), 30u);
  for (std::uint64_t p : primes) {
    check_prime(p, 40000000, {12, 1000000, 20000000});
    check_prime(p, 40000000, {13, 0, 1000});
  }
}

/// The order of 2 modulo p from the prime factors of p - 1.
std::uint64_t order_from_factors(std::uint64_t p, const std::vector<std::uint64_t>& factors) {
  std::uint64_t ord = p - 1;
  for (std::uint64_t q : factors)
    while (ord % q == 0 && ref::powmod(2, ord / q, p) == 1) ord /= q;
  return ord;
}

TEST(OrderOfTwo, AboveTwoToTheFiftyAndWithACompositeCofactor) {
  // p = 2 m q1 q2 + 1 up to 2^62 with q1, q2 primes above the prime
  // stream's last base prime, so that the record stops short and leaves the
  // composite q1 q2 in p - 1: B must still divide p - 1 and be a multiple of
  // the order of 2, and equal the order times the part of q1 q2 that the
  // order lacks.
  std::mt19937_64 rng(62);
  const std::uint64_t qmax = 67174399;  // the record's bound: the last base prime
  const Settings settings[] = {{12, 1000000, 20000000}, {13, 300000, 3000000}};
  int cases = 0;
  while (cases < 60) {
    std::uint64_t q1 = ((rng() >> 37) | 1) + (std::uint64_t{1} << 27);
    std::uint64_t q2 = ((rng() >> 36) | 1) + (std::uint64_t{1} << 27);
    while (!ref::is_prime(q1)) q1 += 2;
    while (!ref::is_prime(q2)) q2 += 2;
    if (q1 == q2) continue;
    const std::uint64_t m = 1 + rng() % 4000;
    if ((ref::u128{2} * m * q1 * q2 + 1) >> 62 != 0) continue;
    const std::uint64_t p = 2 * m * q1 * q2 + 1;
    if (!ref::is_prime(p)) continue;
    std::vector<std::uint64_t> factors = ref::prime_factors(2 * m);
    std::vector<std::uint32_t> record;
    for (std::uint64_t q : factors)
      if (q >= 31) record.push_back(static_cast<std::uint32_t>(q));
    factors.push_back(q1);
    factors.push_back(q2);
    const Settings& s = settings[cases % 2];
    hash_bits = s.hb;
    nlow = s.lo;
    nhigh = s.hi;
    prime_state_t st{};
    search_context_t ctx;
    const std::uint64_t b = order_2_bound_with(p, record, st, ctx);
    SCOPED_TRACE("p=" + std::to_string(p) + " q1=" + std::to_string(q1) +
                 " q2=" + std::to_string(q2) + " m=" + std::to_string(m));
    ASSERT_EQ(b, ref::order_bound_model(p, record, s.hb, s.hi - s.lo).b);
    const std::uint64_t order = order_from_factors(p, factors);
    ASSERT_EQ((p - 1) % b, 0u);
    ASSERT_EQ(b % order, 0u);
    ASSERT_EQ(b % (q1 * q2), 0u);  // the cofactor stays whole in B
    const std::uint64_t lacking = (q1 * q2) / std::gcd(order, q1 * q2);
    ASSERT_EQ(b, order * lacking);
    // Every chunk divides the order (the chunks come from the primes found).
    for (std::uint32_t i = 0; i < st.o2bfactors; ++i) ASSERT_EQ(order % st.ao2bfactors[i], 0u);
    ASSERT_LE(qmax, q1);
    ++cases;
  }
  // Random primes of 51 and 53 bits (their p - 1 factored by trial
  // division), with the record up to the last base prime and up to 1000.
  for (int bits : {51, 53}) {
    for (int trial = 0; trial < 4; ++trial) {
      std::uint64_t p = (rng() >> (64 - bits)) | 1 | (std::uint64_t{1} << (bits - 1));
      while (!ref::is_prime(p)) p += 2;
      check_prime(p, trial < 2 ? qmax : 1000, settings[trial % 2]);
    }
  }
}

}  // namespace
}  // namespace quorvel
