// The search set-up: Jacobi bitmaps against Euler's criterion over the prime
// factors of k, and the cases where the quadratic-residue screen is switched
// off.
#include <gtest/gtest.h>

#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"
#include "reference/reference.hpp"
#include "search/search.hpp"

namespace quorvel {
namespace {

/// (m/k) from Euler's criterion for every prime power of k.
int jacobi_by_euler(std::uint64_t m, std::uint64_t k) {
  int s = 1;
  std::uint64_t rest = k;
  for (std::uint64_t q : ref::prime_factors(k)) {
    while (rest % q == 0) {
      rest /= q;
      const std::uint64_t r = m % q;
      if (r == 0) return 0;
      if (ref::powmod(r, (q - 1) / 2, q) != 1) s = -s;
    }
  }
  return s;
}

void load(const std::vector<std::int32_t>& ks, const std::vector<std::vector<std::uint32_t>>& ns) {
  num_k = static_cast<std::uint32_t>(ks.size());
  for (std::uint32_t i = 0; i < num_k; ++i) {
    ak[i] = ks[i];
    aunfacset[i] = ns[i];
    const std::int32_t r = ks[i] % 3;
    alegk[i] = r == 0 ? 0 : (mode == mode_proth ? (r == 1 ? -ks[i] : -2 * ks[i])
                                                : (r == 1 ? 2 * ks[i] : ks[i]));
    akequiv[i] = 0;
    akpower[i] = 1;
  }
}

TEST(SearchSetUp, JacobiBitmapsMatchEulersCriterion) {
  mode = mode_proth;
  // Proth: k = 1 mod 3 needs even n, k = 2 mod 3 odd n.
  const std::vector<std::int32_t> ks = {7,           1,     999997, 3 * 5 * 7 * 11 * 13, 9 * 25 * 49,
                                        65537,       27 * 121 * 13, 999999, 3};
  load(ks, {{2}, {4}, {2}, {}, {2}, {1}, {}, {}, {}});
  ASSERT_TRUE(initialize_proth_riesel());
  for (std::uint32_t i = 0; i < num_k; ++i) {
    const std::uint32_t k = static_cast<std::uint32_t>(ks[i]);
    ASSERT_EQ(akjacobi[i].size(), (k + 7) / 8) << k;
    // Every m for the smaller k, a spread sample for the large ones.
    const std::uint32_t stride = k > 100000 ? 97 : 1;
    for (std::uint32_t m = 1; m < k; m += stride) {
      const bool bit = (akjacobi[i][m / 8] >> (m % 8)) & 1;
      ASSERT_EQ(bit, jacobi_by_euler(m, k) == 1) << "k=" << k << " m=" << m;
    }
    for (std::uint32_t m = k - 200; m < k && k > 200; ++m) {
      const bool bit = (akjacobi[i][m / 8] >> (m % 8)) & 1;
      ASSERT_EQ(bit, jacobi_by_euler(m, k) == 1) << "k=" << k << " m=" << m;
    }
  }
  EXPECT_EQ(akjacobi[0][0], 0b00010110);  // 1, 2, 4 are the residues mod 7
  EXPECT_EQ(akjacobi[1][0] & 1, 1);       // (0/1) = +1: k = 1 is screenable
}

TEST(SearchSetUp, ScreenSwitchedOffWhereItCannotHold) {
  mode = mode_riesel;
  // Riesel: k = 1 mod 3 needs odd n, k = 2 mod 3 even n.
  load({1000003, 10, 7, 5, 999999 + 2}, {{1}, {1}, {2, 3}, {2, 4}, {3}});
  ASSERT_TRUE(initialize_proth_riesel());
  EXPECT_EQ(alegk[0], 0);  // k >= 10^6: no bitmap
  EXPECT_TRUE(akjacobi[0].empty());
  EXPECT_EQ(alegk[1], 0);  // even k
  EXPECT_EQ(alegk[2], 0);  // an even n among odd ones: the file was not sieved by 3
  EXPECT_EQ(alegk[3], 5);  // every n even, as the screen needs
  EXPECT_EQ(alegk[4], 0);  // 1000001 >= 10^6
}

TEST(SearchSetUp, StandardSetIsRecognisedOnlyExactly) {
  mode = mode_proth;
  const std::int32_t ks[] = {4847, 10223, 19249, 21181, 22699, 24737,
                             27653, 28433, 33661, 55459, 67607};
  const std::uint32_t equiv[] = {15, 5, 14, 20, 46, 7, 33, 1, 0, 10, 3};
  const std::uint32_t power[] = {24, 12, 36, 24, 72, 24, 36, 24, 24, 12, 8};
  auto set_up = [&]() {
    num_k = 11;
    for (std::uint32_t i = 0; i < 11; ++i) {
      ak[i] = ks[i];
      akequiv[i] = equiv[i];
      akpower[i] = power[i];
      aunfacset[i] = {equiv[i] + power[i]};
      alegk[i] = 0;
    }
  };
  set_up();
  ASSERT_TRUE(initialize_proth_riesel());
  EXPECT_TRUE(standard_kpowers);
  // k*2^a in the factored form (k 2^23, 2^(a-23)) above a = 23.
  EXPECT_EQ(ak2powa[4][0], 22699ULL << 23);
  EXPECT_EQ(ak2powa[4][1], 1ULL << 23);
  EXPECT_EQ(ak2powa[0][0], 4847ULL << 15);
  EXPECT_EQ(ak2powa[0][1], 0u);
  set_up();
  std::swap(ak[0], ak[1]);
  ASSERT_TRUE(initialize_proth_riesel());
  EXPECT_FALSE(standard_kpowers);
  set_up();
  mode = mode_riesel;
  ASSERT_TRUE(initialize_proth_riesel());
  EXPECT_FALSE(standard_kpowers);
}

}  // namespace
}  // namespace quorvel
