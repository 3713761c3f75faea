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

/// Odd moduli above the vector kernels' bound of 2^50, up to the largest
/// prime below 2^63: the lane kernels must stay exact there too.
const std::uint64_t wide_moduli[] = {(std::uint64_t{1} << 50) + 27, (std::uint64_t{1} << 61) - 1,
                                     (std::uint64_t{1} << 62) - 57, (std::uint64_t{1} << 63) - 25};

/// Exponents for the inverse powers: the edges of the portable kernel's
/// plan (64 free halvings per squaring) and of the bit lengths.
std::vector<std::uint64_t> inverse_exponents(std::mt19937_64& rng) {
  std::vector<std::uint64_t> e = {0,   1,   2,   3,   63,     64,     65,     66,
                                  127, 128, 129, 130, 191,    192,    193,    1000,
                                  1099, 100000, 4294967295ULL, std::uint64_t{1} << 63,
                                  ~std::uint64_t{0}};
  for (int i = 0; i < 6; ++i) e.push_back(rng() >> (rng() % 64));
  return e;
}

TEST_P(ArithVariants, InversePow2LanesMatchesReference) {
  // Blocks of every size around the group widths, each mixing primes from 3
  // to near 2^50, with a wide modulus in some blocks (the vector version
  // must hand those groups to the portable one).
  std::mt19937_64 rng(39);
  const auto& primes = ref::test_primes();
  const auto exps = inverse_exponents(rng);
  for (const std::size_t n : batch_sizes) {
    for (const std::uint64_t e : exps) {
      std::vector<std::uint64_t> block(n), out(n, 0);
      for (auto& p : block) p = primes[rng() % primes.size()];
      if (n > 0 && rng() % 3 == 0) block[rng() % n] = wide_moduli[rng() % 4];
      inverse_pow2_lanes(block.data(), e, out.data(), n);
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t p = block[i];
        ASSERT_EQ(out[i], ref::powmod((p + 1) / 2, e, p))
            << "p=" << p << " e=" << e << " n=" << n << " i=" << i;
      }
    }
  }
}

TEST_P(ArithVariants, InversePow2LanesOfOneModulusInEveryLane) {
  // Whole groups of one prime: small, at the vector bound's edge, wide.
  std::mt19937_64 rng(40);
  for (const std::uint64_t p : {std::uint64_t{3}, std::uint64_t{5}, ref::test_primes().back(),
                                wide_moduli[0], wide_moduli[3]}) {
    for (const std::uint64_t e : inverse_exponents(rng)) {
      std::vector<std::uint64_t> block(70, p), out(70, 0);
      inverse_pow2_lanes(block.data(), e, out.data(), block.size());
      for (std::size_t i = 0; i < block.size(); ++i)
        ASSERT_EQ(out[i], ref::powmod((p + 1) / 2, e, p)) << "p=" << p << " e=" << e;
    }
  }
}

/// halving_near_zero_lanes worked out step by step with 128-bit products.
bool near_zero_reference(std::uint64_t p, std::uint64_t r, std::uint64_t steps,
                         std::uint64_t bound) {
  const std::uint64_t h = (p + 1) / 2;
  for (std::uint64_t s = 0; s < steps; ++s, r = ref::mulmod(r, h, p)) {
    if (r <= bound || (bound < p && r >= p - bound)) return true;
  }
  return false;
}

TEST_P(ArithVariants, HalvingNearZeroMatchesStepByStep) {
  // Starts placed so that the chain comes within `bound` of 0 (from either
  // side) at a chosen step, before, at and after the last one scanned, mixed
  // with random starts; bounds from 0 to beyond p/2.
  std::mt19937_64 rng(41);
  std::vector<std::uint64_t> moduli(ref::test_primes().begin(), ref::test_primes().end());
  moduli.insert(moduli.end(), std::begin(wide_moduli), std::end(wide_moduli));
  const std::uint64_t step_counts[] = {0, 1, 2, 3, 7, 8, 31, 32, 33, 64, 100, 257, 1000};
  for (const std::uint64_t steps : step_counts) {
    for (int trial = 0; trial < 6; ++trial) {
      const std::size_t n = 1 + rng() % 40;
      const std::uint64_t bound = trial == 0   ? 0
                                  : trial == 1 ? 1 + rng() % 100
                                  : trial == 2 ? rng() % 5000000
                                               : rng() % 2000000000ULL;
      std::vector<std::uint64_t> primes(n), starts(n);
      std::vector<std::uint8_t> flags(n, 7);
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t p = moduli[rng() % moduli.size()];
        primes[i] = p;
        if (rng() % 2 == 0) {
          starts[i] = rng() % p;
          continue;
        }
        // x * 2^s with |x| <= bound + 1 (one past the bound misses) at step s.
        const std::uint64_t x = 1 + rng() % (bound + 1 < p / 2 ? bound + 1 : p / 2);
        const std::uint64_t s = rng() % (steps + 3);
        const std::uint64_t at = rng() % 2 == 0 ? x % p : p - x % p;
        starts[i] = ref::mulmod(at % p, ref::powmod(2, s, p), p);
      }
      halving_near_zero_lanes(primes.data(), starts.data(), n, steps, bound, flags.data());
      for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(flags[i], near_zero_reference(primes[i], starts[i], steps, bound) ? 1 : 0)
            << "p=" << primes[i] << " start=" << starts[i] << " steps=" << steps
            << " bound=" << bound;
      }
    }
  }
}

TEST_P(ArithVariants, HalvingNearZeroWholeGroupsOfLargePrimes) {
  // Blocks of primes far above the bound, as the k-range search passes them
  // (every group of the vector version runs its jumps), with hits planted
  // at every step from the first to one past the last, on both sides of 0.
  std::mt19937_64 rng(42);
  std::vector<std::uint64_t> large;
  for (const std::uint64_t p : ref::test_primes())
    if (p > (std::uint64_t{1} << 20)) large.push_back(p);
  for (const std::uint64_t steps : {5, 13, 14, 26, 27, 100, 333}) {
    for (const std::uint64_t bound : {0, 1, 7, 100001, 2000001}) {
      const std::size_t n = 16 * (1 + rng() % 4) + rng() % 3;
      std::vector<std::uint64_t> primes(n), starts(n);
      std::vector<std::uint8_t> flags(n, 7);
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t p = large[rng() % large.size()];
        primes[i] = p;
        if (rng() % 3 == 0 || 2 * bound + 2 >= p) {
          starts[i] = rng() % p;
          continue;
        }
        const std::uint64_t x = bound == 0 ? 0 : 1 + rng() % (bound + 1);
        const std::uint64_t at = rng() % 2 == 0 ? x : p - x;
        starts[i] = ref::mulmod(at % p, ref::powmod(2, rng() % (steps + 1), p), p);
      }
      halving_near_zero_lanes(primes.data(), starts.data(), n, steps, bound, flags.data());
      int hits = 0;
      for (std::size_t i = 0; i < n; ++i) {
        const bool want = near_zero_reference(primes[i], starts[i], steps, bound);
        hits += want;
        ASSERT_EQ(flags[i], want ? 1 : 0) << "p=" << primes[i] << " start=" << starts[i]
                                         << " steps=" << steps << " bound=" << bound;
      }
      EXPECT_GT(hits, 0) << "steps=" << steps << " bound=" << bound;
    }
  }
}

TEST_P(ArithVariants, HalvingNearZeroLongChainsOfSmallOrder) {
  // Chains far longer than the order of 2 (they cycle), and one hit just
  // before and one just after a long scan's end.
  for (const std::uint64_t p : {std::uint64_t{7}, std::uint64_t{8191}, std::uint64_t{2147483647},
                                ref::test_primes().back()}) {
    const std::uint64_t steps = 5000;
    const std::uint64_t bound = 3;
    std::vector<std::uint64_t> starts = {1, p - 1, 5 % p, ref::powmod(2, steps - 1, p),
                                         ref::powmod(2, steps, p), p - ref::powmod(2, steps, p)};
    std::vector<std::uint64_t> primes(starts.size(), p);
    std::vector<std::uint8_t> flags(starts.size(), 7);
    halving_near_zero_lanes(primes.data(), starts.data(), starts.size(), steps, bound,
                            flags.data());
    for (std::size_t i = 0; i < starts.size(); ++i)
      ASSERT_EQ(flags[i], near_zero_reference(p, starts[i], steps, bound) ? 1 : 0)
          << "p=" << p << " start=" << starts[i];
  }
}

TEST_P(ArithVariants, Pow2KeysOfFourPrimesMatchReference) {
  // Every length around the blocks of four exponents, primes with orders
  // of 2 inside and outside the length (3, 7, 31, 127, 8191, 2^31-1 have
  // orders 2, 3, 5, 7, 13, 31) up to 2^63.
  std::mt19937_64 rng(43);
  std::vector<std::uint64_t> moduli = {3, 5, 7, 31, 127, 8191, 2147483647ULL, 1000000007ULL};
  for (const std::uint64_t p : ref::test_primes())
    if (rng() % 8 == 0) moduli.push_back(p);
  moduli.insert(moduli.end(), std::begin(wide_moduli), std::end(wide_moduli));
  for (const std::uint32_t length : {0u, 1u, 2u, 3u, 4u, 5u, 12u, 31u, 64u, 130u, 2001u}) {
    for (int trial = 0; trial < 4; ++trial) {
      std::uint64_t primes[4];
      for (auto& p : primes) p = moduli[rng() % moduli.size()];
      const std::size_t stride = (std::size_t{length} | 3) + 1 + trial;  // any stride that fits
      std::vector<std::uint32_t> keys(4 * stride, 7), keys_plus(4 * stride, 7);
      std::uint32_t orders[4] = {9, 9, 9, 9};
      pow2_keys_4lanes(primes, length, stride, keys.data(), keys_plus.data(), orders);
      for (std::size_t i = 0; i < 4; ++i) {
        const std::uint64_t p = primes[i];
        std::uint64_t f = 1;
        std::uint32_t order = 0;
        for (std::uint32_t a = 0; a <= (length | 3); ++a, f = ref::mulmod(f, 2, p)) {
          ASSERT_EQ(keys[i * stride + a], residue_key(f)) << "p=" << p << " a=" << a;
          ASSERT_EQ(keys_plus[i * stride + a], residue_key(f + 1)) << "p=" << p << " a=" << a;
          if (a >= 1 && a <= length && f == 1 && order == 0) order = a;
        }
        ASSERT_EQ(orders[i], order) << "p=" << p << " length=" << length;
      }
    }
  }
}

TEST(ResidueKey, SpreadsThePowersOfTwoBelowAPrime) {
  // The powers 2^a < p differ in one bit; their keys' top 11 bits (the
  // buckets of a table of 2048) must not pile up.
  std::vector<int> bucket(2048, 0);
  for (int a = 0; a < 63; ++a) ++bucket[residue_key(std::uint64_t{1} << a) >> 21];
  EXPECT_LE(*std::max_element(bucket.begin(), bucket.end()), 2);
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
