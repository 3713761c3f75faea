// output_factor: file choice, console lines at both verbose levels, -d and
// the removal under -u. The example factors are checked to be true factors
// with plain 128-bit arithmetic first.
#include "db/factor_report.hpp"

#include <gtest/gtest.h>

#include "db/candidate_file.hpp"
#include "db_test_util.hpp"

namespace quorvel {
namespace {

using dbref::u128;

/// (k*2^n + 1) mod p, or (k*2^n - 1) mod p when minus, by repeated doubling.
std::uint64_t candidate_mod(std::uint64_t k, std::uint32_t n, bool minus, std::uint64_t p) {
  u128 v = k % p;
  for (std::uint32_t i = 0; i < n; ++i) v = v * 2 % p;
  return static_cast<std::uint64_t>(minus ? (v + p - 1) % p : (v + 1) % p);
}

class FactorReport : public ::testing::Test {
 protected:
  void SetUp() override {
    dbtest::reset_config();
    fact_txt_filename = (dir_ / "fact.txt").string();
    factexcl_txt_filename = (dir_ / "factexcl.txt").string();
    factrange_txt_filename = (dir_ / "factrange.txt").string();
    num_k = 2;
    nlow = 100;
    nhigh = 1000;
    ak[0] = 5;
    ak[1] = 7;
    aunfacset[0] = {101, 125, 173};
    aunfacset[1] = {104, 110};
  }
  std::string report(std::uint64_t p, std::uint32_t j, std::uint32_t n, std::uint64_t xmod = 1) {
    return dbtest::capture_stdout([&] { output_factor(p, j, n, xmod); });
  }
  std::string file(const char* name) { return test::read_file(dir_ / name); }
  bool exists(const char* name) { return std::filesystem::exists(dir_ / name); }
  test::ScratchDir dir_;
};

TEST_F(FactorReport, ExampleFactorsAreTrue) {
  EXPECT_EQ(candidate_mod(7, 104, false, 1423), 0u);
  EXPECT_EQ(candidate_mod(7, 104, false, 2843), 0u);
  EXPECT_NE(candidate_mod(7, 104, true, 1423), 0u);
}

TEST_F(FactorReport, WithoutUpdateEveryFactorOfAListedNIsNew) {
  EXPECT_EQ(report(1423, 1, 104), "1423 | 7*2^104+1\n");
  EXPECT_EQ(report(2843, 1, 104), "2843 | 7*2^104+1\n");
  EXPECT_EQ(file("fact.txt"), "1423 | 7*2^104+1\n2843 | 7*2^104+1\n");
  EXPECT_FALSE(exists("factexcl.txt"));
  EXPECT_FALSE(exists("factrange.txt"));
  EXPECT_EQ(aunfacset[1], (std::vector<std::uint32_t>{104, 110}));
}

TEST_F(FactorReport, UpdateMakesTheSecondFactorADuplicate) {
  savezeldat = true;
  EXPECT_EQ(report(1423, 1, 104), "1423 | 7*2^104+1\n");
  EXPECT_EQ(aunfacset[1], (std::vector<std::uint32_t>{110}));
  EXPECT_EQ(report(2843, 1, 104), "2843 | 7*2^104+1\t(duplicate)\n");
  EXPECT_EQ(file("fact.txt"), "1423 | 7*2^104+1\n");
  EXPECT_EQ(file("factexcl.txt"), "2843 | 7*2^104+1\n");
  EXPECT_EQ(aunfacset[1], (std::vector<std::uint32_t>{110}));
  // The shortened lists are what the candidate file gets.
  const std::string name = (dir_ / "Zel.dat").string();
  ASSERT_TRUE(dump_db(name));
  EXPECT_EQ(test::read_file(name), "2\n100\n1000\nk=5\n101\n+24\n+48\nk=7\n110\n");
}

TEST_F(FactorReport, RemovalKeepsTheListAscending) {
  savezeldat = true;
  aunfacset[0] = {101, 125, 149, 173, 197};
  report(11, 0, 149);
  report(11, 0, 149);
  report(11, 0, 101);
  report(11, 0, 197);
  EXPECT_EQ(aunfacset[0], (std::vector<std::uint32_t>{125, 173}));
  EXPECT_EQ(file("fact.txt"), "11 | 5*2^149+1\n11 | 5*2^101+1\n11 | 5*2^197+1\n");
  EXPECT_EQ(file("factexcl.txt"), "11 | 5*2^149+1\n");
}

TEST_F(FactorReport, ConsoleLinesAtBothLevels) {
  struct row {
    std::uint32_t n;
    const char* plain;
    const char* verbose;
  };
  const row rows[] = {
      {104, "1423 | 7*2^104+1\n", "1423 | 7*2^104+1\t(xmod 1)\n"},
      {116, "1423 | 7*2^116+1\t(duplicate)\n", "1423 | 7*2^116+1\t(xmod 1, duplicate)\n"},
      {1200, "1423 | 7*2^1200+1\t(outside range)\n",
       "1423 | 7*2^1200+1\t(xmod 1, outside range)\n"},
      {99, "1423 | 7*2^99+1\t(outside range)\n", "1423 | 7*2^99+1\t(xmod 1, outside range)\n"},
  };
  for (const auto& r : rows) {
    verbose = 0;
    EXPECT_EQ(report(1423, 1, r.n), r.plain);
    verbose = 1;
    EXPECT_EQ(report(1423, 1, r.n), r.verbose);
    verbose = 2;
    EXPECT_EQ(report(1423, 1, r.n), r.verbose);
  }
  verbose = 1;
  EXPECT_EQ(report(1423, 1, 104, 1ULL << 40), "1423 | 7*2^104+1\t(xmod 1099511627776)\n");
  EXPECT_EQ(file("fact.txt"),
            "1423 | 7*2^104+1\n1423 | 7*2^104+1\n1423 | 7*2^104+1\n"
            "1423 | 7*2^104+1\n");
  EXPECT_EQ(file("factexcl.txt"), "1423 | 7*2^116+1\n1423 | 7*2^116+1\n1423 | 7*2^116+1\n");
  EXPECT_EQ(file("factrange.txt"),
            "1423 | 7*2^1200+1\n1423 | 7*2^1200+1\n1423 | 7*2^1200+1\n"
            "1423 | 7*2^99+1\n1423 | 7*2^99+1\n1423 | 7*2^99+1\n");
}

TEST_F(FactorReport, BothEndsOfTheRangeAreInside) {
  EXPECT_EQ(report(3, 0, 100), "3 | 5*2^100+1\t(duplicate)\n");
  EXPECT_EQ(report(3, 0, 1000), "3 | 5*2^1000+1\t(duplicate)\n");
  EXPECT_EQ(report(3, 0, 1001), "3 | 5*2^1001+1\t(outside range)\n");
  EXPECT_EQ(file("factexcl.txt"), "3 | 5*2^100+1\n3 | 5*2^1000+1\n");
  EXPECT_EQ(file("factrange.txt"), "3 | 5*2^1001+1\n");
}

TEST_F(FactorReport, ListedNOutsideTheRangeIsNewButShownOutside) {
  aunfacset[0] = {50, 101};
  EXPECT_EQ(report(3, 0, 50), "3 | 5*2^50+1\t(outside range)\n");
  EXPECT_EQ(file("fact.txt"), "3 | 5*2^50+1\n");
  EXPECT_FALSE(exists("factrange.txt"));
}

TEST_F(FactorReport, RieselLinesEndInMinusOne) {
  mode = mode_riesel;
  EXPECT_EQ(report(5, 0, 101), "5 | 5*2^101-1\n");
  EXPECT_EQ(report(5, 0, 103), "5 | 5*2^103-1\t(duplicate)\n");
  EXPECT_EQ(report(5, 0, 1001), "5 | 5*2^1001-1\t(outside range)\n");
  EXPECT_EQ(file("fact.txt"), "5 | 5*2^101-1\n");
  EXPECT_EQ(file("factexcl.txt"), "5 | 5*2^103-1\n");
  EXPECT_EQ(file("factrange.txt"), "5 | 5*2^1001-1\n");
}

TEST_F(FactorReport, NoDupesSilencesDuplicatesAndOutsideFactors) {
  outputdupes = false;
  savezeldat = true;
  verbose = 1;
  EXPECT_EQ(report(5, 0, 103), "");
  EXPECT_EQ(report(5, 0, 1200), "");
  EXPECT_EQ(report(5, 0, 7), "");
  EXPECT_FALSE(exists("factexcl.txt"));
  EXPECT_FALSE(exists("factrange.txt"));
  EXPECT_EQ(report(1423, 1, 104), "1423 | 7*2^104+1\t(xmod 1)\n");
  EXPECT_EQ(report(2843, 1, 104), "");
  EXPECT_EQ(file("fact.txt"), "1423 | 7*2^104+1\n");
  EXPECT_FALSE(exists("factexcl.txt"));
}

TEST_F(FactorReport, FactorFilesAreAppendedToNeverTruncated) {
  test::write_file(dir_ / "factexcl.txt", "old line\n");
  test::write_file(dir_ / "fact.txt", "older\n");
  report(3, 0, 105);
  report(3, 0, 101);
  EXPECT_EQ(file("factexcl.txt"), "old line\n3 | 5*2^105+1\n");
  EXPECT_EQ(file("fact.txt"), "older\n3 | 5*2^101+1\n");
}

TEST_F(FactorReport, UnwritableFileStillEchoesAndRemoves) {
  savezeldat = true;
  fact_txt_filename = (dir_ / "missing" / "fact.txt").string();
  EXPECT_EQ(report(1423, 1, 104), "1423 | 7*2^104+1\n");
  EXPECT_EQ(aunfacset[1], (std::vector<std::uint32_t>{110}));
}

}  // namespace
}  // namespace quorvel
