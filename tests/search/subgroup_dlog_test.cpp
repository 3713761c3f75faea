// Pohlig-Hellman logarithms against brute-force powering.
#include <gtest/gtest.h>

#include <random>

#include "arith/mulmod.hpp"
#include "reference/reference.hpp"
#include "search/subgroup_dlog.hpp"

namespace quorvel {
namespace {

using Factors = std::vector<std::pair<std::uint64_t, std::uint32_t>>;

Factors factorise(std::uint64_t m) {
  std::vector<std::pair<std::uint64_t, std::uint32_t>> out;
  for (std::uint64_t f : ref::prime_factors(m)) {
    std::uint32_t e = 0;
    while (m % f == 0) {
      m /= f;
      ++e;
    }
    out.emplace_back(f, e);
  }
  return out;
}

TEST(SubgroupDlog, FindsEveryLogAndRejectsNonMembers) {
  std::mt19937_64 rng(7);
  // Primes whose p-1 has smooth divisors of several shapes.
  for (std::uint64_t p : {1000000007ULL, 998244353ULL, 1125899906842597ULL, 7340033ULL,
                          167772161ULL}) {
    if (!ref::is_prime(p)) continue;
    set_prime_modulus(p);
    // A generator of the whole group: the smallest g of order p - 1.
    std::uint64_t g = 2;
    while (ref::order_mod(g, p) != p - 1) ++g;
    std::vector<std::uint64_t> orders;
    for (std::uint64_t d = 2; d < 200000 && d <= p - 1; ++d)
      if ((p - 1) % d == 0 && ref::prime_factors(d).back() < 5000) orders.push_back(d);
    for (std::size_t oi = 0; oi < orders.size(); oi += 1 + orders.size() / 25) {
      const std::uint64_t m = orders[oi];
      const std::uint64_t h = ref::powmod(g, (p - 1) / m, p);
      subgroup_dlog_t d;
      const Factors f = factorise(m);
      dlog_prepare(d, h, m, f.data(), static_cast<std::uint32_t>(f.size()));
      // 20 powers of h and, last, g itself, which lies outside <h> whenever
      // m < p - 1.
      std::uint64_t want[21], x[21], got[21];
      bool ok[21];
      for (int t = 0; t < 20; ++t) {
        want[t] = rng() % m;
        x[t] = ref::powmod(h, want[t], p);
      }
      x[20] = g;
      dlog_find(d, x, got, ok, 21);
      for (int t = 0; t < 20; ++t) {
        ASSERT_TRUE(ok[t]) << p << " " << m << " " << want[t];
        ASSERT_EQ(got[t], want[t]) << p << " " << m;
      }
      if (m < p - 1) {
        EXPECT_FALSE(ok[20]) << p << " " << m;
      }
    }
  }
}

}  // namespace
}  // namespace quorvel
