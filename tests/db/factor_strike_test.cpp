// Striking the candidates of factor lines from the k table: each class of
// the result, k listed twice, and the sign of the mode.
#include "db/factor_strike.hpp"

#include <gtest/gtest.h>

#include "db_test_util.hpp"

namespace quorvel {
namespace {

factor_line_t line(std::uint64_t k, std::uint64_t n, int sign = +1) {
  factor_line_t f;
  f.p = 1000000007;  // not looked at: the caller has checked the factor
  f.k = k;
  f.n = n;
  f.sign = sign;
  return f;
}

class FactorStrike : public ::testing::Test {
 protected:
  void SetUp() override {
    dbtest::reset_config();
    num_k = 3;
    nlow = 100;
    nhigh = 1000;
    ak[0] = 5;
    ak[1] = 7;
    ak[2] = 5;  // listed twice
    aunfacset[0] = {101, 125, 173};
    aunfacset[1] = {104, 110};
    aunfacset[2] = {90, 200, 2000};
    ak[3] = 9;  // beyond num_k: not part of the file
    aunfacset[3] = {150};
  }
};

TEST_F(FactorStrike, EveryResult) {
  EXPECT_EQ(strike_from_ktable(line(5, 125)), strike_result::struck);
  EXPECT_EQ(aunfacset[0], (std::vector<std::uint32_t>{101, 173}));
  EXPECT_EQ(strike_from_ktable(line(5, 125)), strike_result::already_gone);
  EXPECT_EQ(strike_from_ktable(line(7, 100)), strike_result::already_gone);
  EXPECT_EQ(strike_from_ktable(line(7, 1000)), strike_result::already_gone);
  EXPECT_EQ(strike_from_ktable(line(7, 99)), strike_result::outside);
  EXPECT_EQ(strike_from_ktable(line(7, 1001)), strike_result::outside);
  EXPECT_EQ(strike_from_ktable(line(11, 150)), strike_result::outside);  // k not in the file
  EXPECT_EQ(strike_from_ktable(line(9, 150)), strike_result::outside);   // nor beyond num_k
  EXPECT_EQ(aunfacset[3], std::vector<std::uint32_t>{150});
  EXPECT_EQ(strike_from_ktable(line(5 + (1ULL << 32), 101)), strike_result::outside);
  EXPECT_EQ(strike_from_ktable(line(2147483648ULL, 101)), strike_result::outside);
  EXPECT_EQ(strike_from_ktable(line(7, 104 + (1ULL << 32))), strike_result::outside);
  EXPECT_EQ(strike_from_ktable(line(7, 104, -1)), strike_result::wrong_form);
  EXPECT_EQ(aunfacset[1], (std::vector<std::uint32_t>{104, 110}));
}

TEST_F(FactorStrike, AKListedTwiceLosesTheNFromTheListHoldingIt) {
  EXPECT_EQ(strike_from_ktable(line(5, 200)), strike_result::struck);
  EXPECT_EQ(aunfacset[0], (std::vector<std::uint32_t>{101, 125, 173}));
  EXPECT_EQ(aunfacset[2], (std::vector<std::uint32_t>{90, 2000}));
  // A listed n outside nlow ... nhigh is struck like any other.
  EXPECT_EQ(strike_from_ktable(line(5, 2000)), strike_result::struck);
  EXPECT_EQ(strike_from_ktable(line(5, 90)), strike_result::struck);
  EXPECT_EQ(aunfacset[2], std::vector<std::uint32_t>{});
}

TEST_F(FactorStrike, RieselModeTakesTheMinusForm) {
  mode = mode_riesel;
  EXPECT_EQ(strike_from_ktable(line(7, 110, +1)), strike_result::wrong_form);
  EXPECT_EQ(strike_from_ktable(line(7, 110, -1)), strike_result::struck);
  EXPECT_EQ(aunfacset[1], std::vector<std::uint32_t>{104});
}

}  // namespace
}  // namespace quorvel
