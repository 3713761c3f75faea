// output_factor: file choice, console lines at both verbose levels, -d and
// the removal under -u, and the refusal of a false factor. The factors used
// are checked to be true factors with plain 128-bit arithmetic first.
#include "db/factor_report.hpp"

#include <gtest/gtest.h>

#include "db/candidate_file.hpp"
#include "db/false_factor.hpp"
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
  /// For a factor that must be refused: the exception's text, p and number,
  /// as "what (p, number)", after checking that nothing was printed.
  std::string refusal(std::uint64_t p, std::uint32_t j, std::uint32_t n) {
    std::string got = "not refused";
    const std::string printed = dbtest::capture_stdout([&] {
      try {
        output_factor(p, j, n, 1);
      } catch (const false_factor_error& e) {
        got = std::string(e.what()) + " (" + std::to_string(e.p()) + ", " + e.number() + ")";
      }
    });
    EXPECT_EQ(printed, "");
    return got;
  }
  std::string file(const char* name) { return test::read_file(dir_ / name); }
  bool exists(const char* name) { return std::filesystem::exists(dir_ / name); }
  test::ScratchDir dir_;
};

TEST_F(FactorReport, EveryFactorUsedHereIsTrue) {
  struct factor {
    std::uint64_t p, k;
    std::uint32_t n;
    bool minus;
  };
  for (const factor f :
       {factor{1423, 7, 104, false}, factor{2843, 7, 104, false}, factor{7, 5, 101, false},
        factor{7, 5, 149, false}, factor{7, 5, 197, false}, factor{3, 5, 100, false},
        factor{3, 5, 1000, false}, factor{7, 5, 1001, false}, factor{3, 5, 50, false},
        factor{11399, 5, 101, true}, factor{641, 5, 103, true}, factor{3, 5, 1001, true},
        factor{37, 5, 103, false}, factor{163, 5, 1200, false}, factor{1487, 5, 50, false},
        factor{13, 5, 105, false}})
    EXPECT_EQ(candidate_mod(f.k, f.n, f.minus, f.p), 0u) << f.p << " " << f.k << " " << f.n;
  EXPECT_NE(candidate_mod(7, 104, true, 1423), 0u);
}

TEST_F(FactorReport, FalseFactorIsRefusedBeforeAnythingIsWrittenOrStruck) {
  savezeldat = true;
  ak[0] = 3;
  aunfacset[0] = {2, 101};  // 3*2^2+1 = 13 is prime
  struct bad {
    int mode;
    std::uint64_t p;
    std::uint32_t j, n;
    const char* number;
  };
  const bad cases[] = {
      {mode_proth, 1423, 1, 105, "7*2^105+1"},   // another n
      {mode_proth, 1423, 1, 110, "7*2^110+1"},   // a listed n
      {mode_proth, 2843, 0, 104, "3*2^104+1"},   // another k
      {mode_riesel, 1423, 1, 104, "7*2^104-1"},  // the other sign
      {mode_proth, 13, 0, 2, "3*2^2+1"},         // the number itself
      {mode_proth, 1, 1, 104, "7*2^104+1"},      // 1 divides everything
      {mode_proth, 0, 1, 104, "7*2^104+1"},
  };
  for (const bad& c : cases) {
    mode = c.mode;
    for (int v : {0, 1}) {
      verbose = v;
      EXPECT_EQ(refusal(c.p, c.j, c.n), "false factor " + std::to_string(c.p) + " | " + c.number +
                                            " (" + std::to_string(c.p) + ", " + c.number + ")");
    }
  }
  // -d makes no difference: a false factor is a fault, whatever its class.
  outputdupes = false;
  mode = mode_proth;
  EXPECT_EQ(refusal(1423, 1, 105), "false factor 1423 | 7*2^105+1 (1423, 7*2^105+1)");
  EXPECT_FALSE(exists("fact.txt"));
  EXPECT_FALSE(exists("factexcl.txt"));
  EXPECT_FALSE(exists("factrange.txt"));
  EXPECT_EQ(aunfacset[0], (std::vector<std::uint32_t>{2, 101}));
  EXPECT_EQ(aunfacset[1], (std::vector<std::uint32_t>{104, 110}));
  // A true factor afterwards is reported as ever.
  verbose = 0;
  EXPECT_EQ(report(1423, 1, 104), "1423 | 7*2^104+1\n");
  EXPECT_EQ(aunfacset[1], (std::vector<std::uint32_t>{110}));
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
  report(7, 0, 149);
  report(7, 0, 149);
  report(7, 0, 101);
  report(7, 0, 197);
  EXPECT_EQ(aunfacset[0], (std::vector<std::uint32_t>{125, 173}));
  EXPECT_EQ(file("fact.txt"), "7 | 5*2^149+1\n7 | 5*2^101+1\n7 | 5*2^197+1\n");
  EXPECT_EQ(file("factexcl.txt"), "7 | 5*2^149+1\n");
}

TEST_F(FactorReport, ConsoleLinesAtBothLevels) {
  // True factors of 7*2^n+1 (checked below): 1423 for n = 104 and
  // 104 + 4*237 = 1052 (237 is the order of 2 modulo 1423), 53 for n = 116,
  // 71 for n = 99.
  struct row {
    std::uint64_t p;
    std::uint32_t n;
    const char* plain;
    const char* verbose;
  };
  const row rows[] = {
      {1423, 104, "1423 | 7*2^104+1\n", "1423 | 7*2^104+1\t(xmod 1)\n"},
      {53, 116, "53 | 7*2^116+1\t(duplicate)\n", "53 | 7*2^116+1\t(xmod 1, duplicate)\n"},
      {1423, 1052, "1423 | 7*2^1052+1\t(outside range)\n",
       "1423 | 7*2^1052+1\t(xmod 1, outside range)\n"},
      {71, 99, "71 | 7*2^99+1\t(outside range)\n", "71 | 7*2^99+1\t(xmod 1, outside range)\n"},
  };
  for (const auto& r : rows) {
    ASSERT_EQ(candidate_mod(7, r.n, false, r.p), 0u) << r.n;
    verbose = 0;
    EXPECT_EQ(report(r.p, 1, r.n), r.plain);
    verbose = 1;
    EXPECT_EQ(report(r.p, 1, r.n), r.verbose);
    verbose = 2;
    EXPECT_EQ(report(r.p, 1, r.n), r.verbose);
  }
  verbose = 1;
  EXPECT_EQ(report(1423, 1, 104, 1ULL << 40), "1423 | 7*2^104+1\t(xmod 1099511627776)\n");
  EXPECT_EQ(file("fact.txt"),
            "1423 | 7*2^104+1\n1423 | 7*2^104+1\n1423 | 7*2^104+1\n"
            "1423 | 7*2^104+1\n");
  EXPECT_EQ(file("factexcl.txt"), "53 | 7*2^116+1\n53 | 7*2^116+1\n53 | 7*2^116+1\n");
  EXPECT_EQ(file("factrange.txt"),
            "1423 | 7*2^1052+1\n1423 | 7*2^1052+1\n1423 | 7*2^1052+1\n"
            "71 | 7*2^99+1\n71 | 7*2^99+1\n71 | 7*2^99+1\n");
}

TEST_F(FactorReport, BothEndsOfTheRangeAreInside) {
  EXPECT_EQ(report(3, 0, 100), "3 | 5*2^100+1\t(duplicate)\n");
  EXPECT_EQ(report(3, 0, 1000), "3 | 5*2^1000+1\t(duplicate)\n");
  EXPECT_EQ(report(7, 0, 1001), "7 | 5*2^1001+1\t(outside range)\n");
  EXPECT_EQ(file("factexcl.txt"), "3 | 5*2^100+1\n3 | 5*2^1000+1\n");
  EXPECT_EQ(file("factrange.txt"), "7 | 5*2^1001+1\n");
}

TEST_F(FactorReport, ListedNOutsideTheRangeIsNewButShownOutside) {
  aunfacset[0] = {50, 101};
  EXPECT_EQ(report(3, 0, 50), "3 | 5*2^50+1\t(outside range)\n");
  EXPECT_EQ(file("fact.txt"), "3 | 5*2^50+1\n");
  EXPECT_FALSE(exists("factrange.txt"));
}

TEST_F(FactorReport, RieselLinesEndInMinusOne) {
  mode = mode_riesel;
  EXPECT_EQ(report(11399, 0, 101), "11399 | 5*2^101-1\n");
  EXPECT_EQ(report(641, 0, 103), "641 | 5*2^103-1\t(duplicate)\n");
  EXPECT_EQ(report(3, 0, 1001), "3 | 5*2^1001-1\t(outside range)\n");
  EXPECT_EQ(file("fact.txt"), "11399 | 5*2^101-1\n");
  EXPECT_EQ(file("factexcl.txt"), "641 | 5*2^103-1\n");
  EXPECT_EQ(file("factrange.txt"), "3 | 5*2^1001-1\n");
}

TEST_F(FactorReport, NoDupesSilencesDuplicatesAndOutsideFactors) {
  outputdupes = false;
  savezeldat = true;
  verbose = 1;
  EXPECT_EQ(report(37, 0, 103), "");
  EXPECT_EQ(report(163, 0, 1200), "");
  EXPECT_EQ(report(1487, 0, 50), "");
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
  report(13, 0, 105);
  report(7, 0, 101);
  EXPECT_EQ(file("factexcl.txt"), "old line\n13 | 5*2^105+1\n");
  EXPECT_EQ(file("fact.txt"), "older\n7 | 5*2^101+1\n");
}

TEST_F(FactorReport, UnwritableFileStillEchoesAndRemoves) {
  savezeldat = true;
  fact_txt_filename = (dir_ / "missing" / "fact.txt").string();
  EXPECT_EQ(report(1423, 1, 104), "1423 | 7*2^104+1\n");
  EXPECT_EQ(aunfacset[1], (std::vector<std::uint32_t>{110}));
}

}  // namespace
}  // namespace quorvel
