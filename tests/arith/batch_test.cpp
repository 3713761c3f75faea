// The batch kernels, every version this processor runs, against 128-bit
// references (plain powering; a geometric sequence stepped one 128-bit
// product at a time), and every version against the portable one, for batch
// sizes around the vector and group widths and for primes from 3 to below
// 2^62, every kernel family among them.
#include "arith/batch.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "arith/mulmod.hpp"
#include "quorvel/common.hpp"
#include "reference/arith_reference.hpp"

namespace quorvel {
namespace {

namespace ref = reference;

/// Batch sizes around the group widths of every version (4, 8, 12, 16, 32).
const std::size_t batch_sizes[] = {0,  1,  2,  3,  4,  5,  7,  8,  9,  11, 12, 13,  15,
                                   16, 17, 23, 24, 25, 31, 32, 33, 47, 48, 49, 100, 257};

/// Runs the body once per version this processor supports, with that version
/// forced, and restores the original choice afterwards.
class ArithVariants : public ::testing::TestWithParam<arith_variant> {
 protected:
  void SetUp() override {
    saved_ = current_arith_variant();
    if (!set_arith_variant(GetParam())) GTEST_SKIP() << "version not supported by this processor";
  }
  void TearDown() override { set_arith_variant(saved_); }

 private:
  arith_variant saved_ = arith_variant::scalar;
};

/// A few primes for the costlier batch tests: small, mid-sized, up to 2^62,
/// and the nearest ones on both sides of each family limit.
std::vector<std::uint64_t> batch_primes() {
  std::vector<std::uint64_t> v;
  const auto& all = ref::test_primes();
  for (std::size_t i = 0; i < all.size(); i += 3) v.push_back(all[i]);
  for (const std::uint64_t limit : {fp_lazy_limit, fp_balanced_limit}) {
    const auto above = std::lower_bound(all.begin(), all.end(), limit);
    v.push_back(above[-1]);
    v.push_back(above[0]);
  }
  v.push_back(all.back());
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

/// Exponents for the batch powers: edges mixed with seeded random ones of
/// every length.
std::vector<std::uint64_t> batch_exponents(std::size_t n, std::uint64_t p, std::mt19937_64& rng) {
  const std::uint64_t edges[] = {
      0, 1, 2, 3, p - 1, p - 2, std::uint64_t{1} << 63, ~std::uint64_t{0}};
  std::vector<std::uint64_t> e(n);
  for (std::size_t i = 0; i < n; ++i)
    e[i] = rng() % 3 == 0 ? edges[rng() % 8] : rng() >> (rng() % 64);
  return e;
}

TEST_P(ArithVariants, PowmodManyMatchesReference) {
  std::mt19937_64 rng(31);
  for (const std::uint64_t p : batch_primes()) {
    const arith_state_t arith = prime_modulus(p);
    for (const std::size_t n : batch_sizes) {
      // p -+ 1 over 2 have the largest balanced products.
      const std::uint64_t edges[] = {0, 1, 2 % p, p - 1, (p - 1) / 2, (p + 1) / 2};
      std::vector<std::uint64_t> bases(n), out(n, p);
      for (std::size_t i = 0; i < n; ++i) bases[i] = rng() % 4 == 0 ? edges[rng() % 6] : rng() % p;
      const auto exps = batch_exponents(n, p, rng);
      powmod_many(arith, bases.data(), exps.data(), out.data(), n);
      for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(out[i], ref::powmod(bases[i], exps[i], p))
            << "p=" << p << " n=" << n << " i=" << i << " b=" << bases[i] << " e=" << exps[i];
      }
    }
  }
}

/// The modulus states of the test primes below `below`, from small up.
std::vector<arith_state_t> test_prime_states(std::uint64_t below) {
  std::vector<arith_state_t> states;
  for (const std::uint64_t p : ref::test_primes())
    if (p < below) states.push_back(prime_modulus(p));
  return states;
}

TEST_P(ArithVariants, PowmodLanesMixesModuli) {
  // Every element under its own prime, drawn from small to near 2^62, so
  // every group mixes moduli of very different sizes (and families); then
  // the same with the primes of the double-based kernels only, and with
  // those below fp_lazy_limit only.
  std::mt19937_64 rng(37);
  for (const std::uint64_t below : {p_limit, fp_balanced_limit, fp_lazy_limit}) {
    const std::vector<arith_state_t> states = test_prime_states(below);
    for (const std::size_t n : batch_sizes) {
      std::vector<const arith_state_t*> mods(n);
      std::vector<std::uint64_t> bases(n), exps(n), out(n, 0);
      for (std::size_t i = 0; i < n; ++i) {
        mods[i] = &states[rng() % states.size()];
        const std::uint64_t p = mods[i]->globalp[0];
        bases[i] = rng() % p;
        exps[i] = batch_exponents(1, p, rng)[0];
      }
      powmod_lanes(bases.data(), exps.data(), mods.data(), out.data(), n);
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t p = mods[i]->globalp[0];
        ASSERT_EQ(out[i], ref::powmod(bases[i], exps[i], p))
            << "p=" << p << " n=" << n << " i=" << i << " b=" << bases[i] << " e=" << exps[i];
      }
      // The lanes' states are read, never written.
      for (const arith_state_t& st : states) {
        const arith_state_t fresh = prime_modulus(st.globalp[0]);
        ASSERT_EQ(st.globalp[1], fresh.globalp[1]);
        ASSERT_EQ(st.mont_r2, fresh.mont_r2);
        ASSERT_EQ(st.norm_inv, fresh.norm_inv);
        ASSERT_EQ(st.recip_pd, fresh.recip_pd);
      }
    }
  }
}

TEST_P(ArithVariants, PowmodLanesWithShortExponentsOfEveryLength) {
  // Whole groups whose exponents all stay below 2^L, for every L: the
  // kernels start at the top bit of a group, odd or even.
  std::mt19937_64 rng(38);
  for (const std::uint64_t below : {p_limit, fp_balanced_limit, fp_lazy_limit}) {
    const std::vector<arith_state_t> states = test_prime_states(below);
    const std::size_t n = 70;
    for (int length = 0; length <= 64; ++length) {
      std::vector<const arith_state_t*> mods(n);
      std::vector<std::uint64_t> bases(n), exps(n), out(n, 0);
      for (std::size_t i = 0; i < n; ++i) {
        mods[i] = &states[rng() % states.size()];
        const std::uint64_t p = mods[i]->globalp[0];
        bases[i] = i % 5 == 0 ? p - 1 : i % 7 == 0 ? 1 : rng() % p;
        exps[i] = length == 0 ? 0 : rng() >> (64 - length);
      }
      powmod_lanes(bases.data(), exps.data(), mods.data(), out.data(), n);
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t p = mods[i]->globalp[0];
        ASSERT_EQ(out[i], ref::powmod(bases[i], exps[i], p))
            << "p=" << p << " length=" << length << " i=" << i << " e=" << exps[i];
      }
    }
  }
}

TEST_P(ArithVariants, PowmodManyFermat) {
  std::mt19937_64 rng(32);
  for (const std::uint64_t p : batch_primes()) {
    const arith_state_t arith = prime_modulus(p);
    const std::size_t n = 37;
    std::vector<std::uint64_t> bases(n), exps(n, p - 1), out(n, 0);
    for (auto& b : bases) b = 1 + rng() % (p - 1);
    powmod_many(arith, bases.data(), exps.data(), out.data(), n);
    for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(out[i], 1u) << "p=" << p << " b=" << bases[i];
  }
}

TEST_P(ArithVariants, Pow2modManyMatchesReference) {
  std::mt19937_64 rng(33);
  for (const std::uint64_t p : batch_primes()) {
    const arith_state_t arith = prime_modulus(p);
    for (const std::size_t n : batch_sizes) {
      std::vector<std::uint64_t> out(n, p);
      const auto exps = batch_exponents(n, p, rng);
      pow2mod_many(arith, exps.data(), out.data(), n);
      for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(out[i], ref::powmod(2, exps[i], p))
            << "p=" << p << " n=" << n << " e=" << exps[i];
      }
    }
  }
}

TEST_P(ArithVariants, Pow2modManyMixedLengths) {
  // One long exponent among short ones and zeros: every lane of a group runs
  // over the longest exponent.
  for (const std::uint64_t p : batch_primes()) {
    const arith_state_t arith = prime_modulus(p);
    std::vector<std::uint64_t> exps;
    for (std::uint64_t e = 0; e < 40; ++e) exps.push_back(e % 5 == 4 ? ~std::uint64_t{0} - e : e);
    std::vector<std::uint64_t> out(exps.size(), p);
    pow2mod_many(arith, exps.data(), out.data(), exps.size());
    for (std::size_t i = 0; i < exps.size(); ++i) {
      ASSERT_EQ(out[i], ref::powmod(2, exps[i], p)) << "p=" << p << " e=" << exps[i];
    }
  }
}

/// Whether out[0 .. count) is start * ratio^i mod p, stepped by the
/// 128-bit reference product.
::testing::AssertionResult holds_sequence(const std::vector<std::uint64_t>& out,
                                          std::uint64_t start, std::uint64_t ratio,
                                          std::size_t count, std::uint64_t p) {
  std::uint64_t want = start;
  for (std::size_t i = 0; i < count; ++i) {
    if (out[i] != want)
      return ::testing::AssertionFailure()
             << "p=" << p << " start=" << start << " ratio=" << ratio << " count=" << count
             << " i=" << i << ": " << out[i] << " != " << want;
    want = ref::mulmod(want, ratio, p);
  }
  return ::testing::AssertionSuccess();
}

TEST_P(ArithVariants, GeometricMatchesStepByStepReference) {
  std::mt19937_64 rng(34);
  std::vector<std::size_t> counts(std::begin(batch_sizes), std::end(batch_sizes));
  counts.push_back(4099);
  for (const std::uint64_t p : batch_primes()) {
    const arith_state_t arith = prime_modulus(p);
    const std::uint64_t starts[] = {0, 1, p - 1, (p + 1) / 2, rng() % p};
    const std::uint64_t ratios[] = {0, 1, p - 1, 2 % p, (p - 1) / 2, rng() % p, rng() % p};
    for (const std::uint64_t start : starts) {
      for (const std::uint64_t ratio : ratios) {
        for (const std::size_t count : counts) {
          // One element past the end stays untouched.
          std::vector<std::uint64_t> out(count + 1, p + 7);
          geometric_mod_p(arith, start, ratio, count, out.data());
          ASSERT_TRUE(holds_sequence(out, start, ratio, count, p));
          ASSERT_EQ(out[count], p + 7) << "p=" << p << " count=" << count;
        }
      }
    }
  }
}

TEST_P(ArithVariants, ScaledSequencesMatchStepByStepReference) {
  std::mt19937_64 rng(36);
  for (const std::uint64_t p : batch_primes()) {
    const arith_state_t arith = prime_modulus(p);
    const std::uint64_t ratios[] = {0, 1, p - 1, 2 % p, (p + 1) / 2, rng() % p};
    for (const std::uint64_t ratio : ratios) {
      for (const std::uint64_t start :
           {std::uint64_t{0}, std::uint64_t{1}, p - 1, (p - 1) / 2, rng() % p}) {
        for (std::size_t count = 0; count <= 75; count += count < 30 ? 1 : 9) {
          // Made for just this count, the powers past it hold stale values.
          geometric_powers_t powers;
          powers.pow.fill(p + 3);
          powers.next = p + 3;
          geometric_powers(arith, ratio, count, powers);
          // Room up to the next multiple of 4; what lies beyond stays untouched.
          const std::size_t room = (count + 3) / 4 * 4;
          std::vector<std::uint64_t> out(room + 1, p + 7);
          geometric_scaled(arith, start, powers, count, out.data());
          ASSERT_TRUE(holds_sequence(out, start, ratio, count, p));
          ASSERT_EQ(out[room], p + 7) << "p=" << p << " count=" << count;
        }
      }
    }
  }
}

TEST_P(ArithVariants, AgreesWithPortableVersion) {
  std::mt19937_64 rng(35);
  for (const std::uint64_t p :
       {std::uint64_t{3}, std::uint64_t{1000003}, std::uint64_t{1125899906842597},
        std::uint64_t{4503599627370517}, ref::test_primes().back()}) {
    const arith_state_t arith = prime_modulus(p);
    const std::size_t n = 1001;
    std::vector<std::uint64_t> bases(n), exps = batch_exponents(n, p, rng);
    for (auto& b : bases) b = rng() % p;
    std::vector<std::uint64_t> mine[3], portable[3];
    for (auto* set : {mine, portable}) {
      for (auto& v : std::vector<std::vector<std::uint64_t>*>{&set[0], &set[1], &set[2]})
        v->assign(n, 0);
    }
    const std::uint64_t start = rng() % p, ratio = rng() % p;
    powmod_many(arith, bases.data(), exps.data(), mine[0].data(), n);
    pow2mod_many(arith, exps.data(), mine[1].data(), n);
    geometric_mod_p(arith, start, ratio, n, mine[2].data());
    const arith_variant chosen = current_arith_variant();
    ASSERT_TRUE(set_arith_variant(arith_variant::scalar));
    powmod_many(arith, bases.data(), exps.data(), portable[0].data(), n);
    pow2mod_many(arith, exps.data(), portable[1].data(), n);
    geometric_mod_p(arith, start, ratio, n, portable[2].data());
    ASSERT_TRUE(set_arith_variant(chosen));
    for (int k = 0; k < 3; ++k) ASSERT_EQ(mine[k], portable[k]) << "kernel " << k << " p=" << p;
  }
}

// Every version this build compiles; one the processor cannot run skips. A
// build without the AVX2 sources (QUORVEL_FORCE_VARIANT=scalar, or a compiler
// or target without AVX2) has the portable version alone, which the other
// suites then run end to end.
INSTANTIATE_TEST_SUITE_P(AllVersions, ArithVariants,
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

TEST(ArithVariant, DefaultIsTheBestSupportedAndNamesFollowTheChoice) {
  const arith_variant saved = current_arith_variant();
  EXPECT_TRUE(arith_variant_supported(arith_variant::scalar));
  EXPECT_EQ(saved, arith_variant_supported(arith_variant::avx2) ? arith_variant::avx2
                                                                : arith_variant::scalar);
  ASSERT_TRUE(set_arith_variant(arith_variant::scalar));
  EXPECT_STREQ(arith_variant_name(), "scalar");
  if (set_arith_variant(arith_variant::avx2)) {
    EXPECT_STREQ(arith_variant_name(), "AVX2");
  } else {
    EXPECT_EQ(current_arith_variant(), arith_variant::scalar);  // refused, unchanged
  }
  set_arith_variant(saved);
}

#if !QUORVEL_HAVE_AVX2
TEST(ArithVariant, BuildWithoutVectorSourcesOffersOnlyThePortableVersion) {
  // Whatever the processor runs, this build has no AVX2 code to run: the
  // whole program takes the portable path and cannot be switched off it.
  EXPECT_EQ(current_arith_variant(), arith_variant::scalar);
  EXPECT_FALSE(arith_variant_supported(arith_variant::avx2));
  EXPECT_FALSE(set_arith_variant(arith_variant::avx2));
  EXPECT_EQ(current_arith_variant(), arith_variant::scalar);
  EXPECT_STREQ(arith_variant_name(), "scalar");
}
#endif

}  // namespace
}  // namespace quorvel
