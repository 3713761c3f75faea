// The contract checks (QUORVEL_ASSERT): in Debug builds a broken contract of
// a kernel stops the program with a message naming the condition; in other
// builds the condition is never evaluated.
#include <gtest/gtest.h>

#include <cstdint>

#include "arith/batch.hpp"
#include "arith/mulmod.hpp"
#include "arith/number_theory.hpp"
#include "quorvel/arith_state.hpp"
#include "quorvel/common.hpp"
#include "quorvel/macros.hpp"

namespace quorvel {
namespace {

#if QUORVEL_ASSERTIONS

TEST(ContractsDeathTest, BrokenConditionStopsWithItsText) {
  const int two = 2;
  EXPECT_DEATH(QUORVEL_ASSERT(two + two == 5), "contract broken: two \\+ two == 5");
  QUORVEL_ASSERT(two + two == 4);  // a kept contract goes on
}

TEST(ContractsDeathTest, KernelsRefuseOperandsOutsideTheirBounds) {
  const std::uint64_t p = 1000003;
  const arith_state_t m = prime_modulus(p);
  EXPECT_DEATH(mul_mod_p_reduced(m, 5, p), "b < m.globalp");
  EXPECT_DEATH(bdiv_p(m, p + 1), "b < m.globalp");
  // A fixed-multiplier quotient made for another multiplier.
  EXPECT_DEATH(mul_mod_p_b(m, 5, 7, bdiv_p(m, 8)), "bdivp.quot");
  std::uint64_t out[4];
  EXPECT_DEATH(geometric_mod_p(m, p, 2, 4, out), "start < m.globalp");
  const std::uint64_t bases[2] = {3, p}, exps[2] = {5, 5};
  EXPECT_DEATH(powmod_many(m, bases, exps, out, 2), "all_below");
  // The lane kernels make their moduli from odd primes alone.
  const std::uint64_t lanes[4] = {7, 11, 1000004, 13}, starts[4] = {1, 2, 3, 13};
  EXPECT_DEATH(inverse_pow2_lanes(lanes, 5, out, 4), "lane_primes_valid");
  std::uint8_t flags[4];
  const std::uint64_t odd_lanes[4] = {7, 11, 1000003, 13};
  EXPECT_DEATH(halving_near_zero_lanes(odd_lanes, starts, 4, 10, 1, flags), "lane_primes_valid");
  // A state that set_prime_modulus never filled: no normalised divisor.
  const arith_state_t unset{};
  EXPECT_DEATH(norm_rem(unset, 0, 1), "norm_p >> 63");
  arith_state_t s;
  EXPECT_DEATH(set_prime_modulus(s, p_limit + 1), "p < p_limit");
  EXPECT_DEATH(set_prime_modulus(s, 1000004), "p % 2 == 1");
  EXPECT_DEATH(multinv32(3, 0), "m >= 2");
}

#else

TEST(Contracts, OutsideDebugBuildsTheConditionIsNotEvaluated) {
  int evaluated = 0;
  QUORVEL_ASSERT(++evaluated < 0);
  EXPECT_EQ(evaluated, 0);
}

#endif

}  // namespace
}  // namespace quorvel
