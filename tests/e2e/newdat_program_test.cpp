// quorvel-newdat run as a program in a scratch directory: the candidate file
// it writes is compared byte for byte with one built here from the direct
// factor search and the documented layout; bad input must end with one
// error line, status 1, nothing on standard error and no file touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "newdat/newdat_reference.hpp"
#include "support/test_support.hpp"

namespace quorvel {
namespace {

using test::read_file;
using test::RunResult;
using test::ScratchDir;

RunResult run_newdat_program(const std::vector<std::string>& args, const ScratchDir& dir) {
  return test::run_program(QUORVEL_NEWDAT_BIN, args, dir.path(), "", 60);
}

// The candidate file of the reference lists: header lines, then per k a
// "k=" line, its first n in full and the others as "+" and the difference
// (in full again after an n of 0).
std::string expected_file(bool proth, const std::vector<std::uint64_t>& ks, std::uint32_t nmin,
                          std::uint32_t nmax, std::uint32_t bound, std::size_t* total) {
  const std::vector<std::uint32_t> primes = test::ref_primes(bound);
  std::string text =
      std::to_string(ks.size()) + "\n" + std::to_string(nmin) + "\n" + std::to_string(nmax) + "\n";
  *total = 0;
  for (const std::uint64_t k : ks) {
    text += "k=" + std::to_string(k) + "\n";
    bool first = true;
    std::uint32_t prev = 0;
    for (const std::uint32_t n : test::ref_candidates(proth, k, nmin, nmax, primes)) {
      if (first || prev == 0) {
        text += std::to_string(n);
      } else {
        text += '+';
        text += std::to_string(n - prev);
      }
      text += '\n';
      first = false;
      prev = n;
      ++*total;
    }
  }
  return text;
}

std::vector<std::string> files_in(const ScratchDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A run that wrote `name` in `dir`: status 0, the summary line alone on
// standard output, nothing on standard error, the file equal to the reference
// file of the k over nmin..nmax sieved to `bound`, and no other file beside it.
void expect_reference_file(const RunResult& r, const ScratchDir& dir, const std::string& name,
                           bool proth, const std::vector<std::uint64_t>& ks, std::uint32_t nmin,
                           std::uint32_t nmax, std::uint32_t bound) {
  std::size_t total = 0;
  const std::string expect = expected_file(proth, ks, nmin, nmax, bound, &total);
  EXPECT_EQ(r.exit_status, 0) << r.output;
  EXPECT_EQ(r.output, "Wrote " + std::to_string(total) + " candidates of " +
                          std::to_string(ks.size()) + " k, n " + std::to_string(nmin) + " to " +
                          std::to_string(nmax) + ", to " + name + "\n");
  EXPECT_EQ(r.errors, "");
  EXPECT_EQ(read_file(dir / name), expect);
  EXPECT_EQ(files_in(dir), std::vector<std::string>{name});
}

TEST(NewdatProgram, ProthFileMatchesReference) {
  ScratchDir dir;
  const RunResult r = run_newdat_program({"-k", "3,4847,1", "-b", "3000", "0", "400"}, dir);
  expect_reference_file(r, dir, "Zel.dat", true, {3, 4847, 1}, 0, 400, 3000);
}

TEST(NewdatProgram, RieselFromKFileAndOwnName) {
  ScratchDir dir;
  test::write_file(dir / "ks.txt", "15\n2145,5\n");
  const RunResult r = run_newdat_program(
      {"-riesel", "-kfile", "ks.txt", "-k", "7", "-b", "1000", "-o", "mine.dat", "100", "900"},
      dir);
  std::size_t total = 0;
  const std::string expect = expected_file(false, {15, 2145, 5, 7}, 100, 900, 1000, &total);
  EXPECT_EQ(r.exit_status, 0) << r.output;
  EXPECT_EQ(r.output,
            "Wrote " + std::to_string(total) + " candidates of 4 k, n 100 to 900, to mine.dat\n");
  EXPECT_EQ(read_file(dir / "mine.dat"), expect);
  EXPECT_EQ(files_in(dir), (std::vector<std::string>{"ks.txt", "mine.dat"}));

  // Without -o the Riesel file is riesel.dat, and an older one is replaced.
  test::write_file(dir / "riesel.dat", "old contents\n");
  const RunResult r2 = run_newdat_program({"-riesel", "-k", "7", "-b", "1000", "100", "900"}, dir);
  EXPECT_EQ(r2.exit_status, 0) << r2.output;
  EXPECT_EQ(read_file(dir / "riesel.dat"), expected_file(false, {7}, 100, 900, 1000, &total));
}

TEST(NewdatProgram, BoundAboveAMillionRunsTheSearchQuietly) {
  // Above 10^6 quorvel's search takes the primes: the file still matches the
  // direct factor search, standard output holds the summary line alone (no
  // factor lines of the search) and nothing but the file is left behind.
  ScratchDir dir;
  const RunResult r = run_newdat_program(
      {"-riesel", "-k", "3,4847,1000003", "-b", "1200000", "-t", "2", "0", "300"}, dir);
  expect_reference_file(r, dir, "riesel.dat", false, {3, 4847, 1000003}, 0, 300, 1200000);
}

TEST(NewdatProgram, BadInputLeavesFilesAlone) {
  const std::vector<std::vector<std::string>> cases = {
      {"-k", "6", "1", "10"},
      {"-k", "2147483649", "1", "10"},
      {"-k", "3,3", "1", "10"},
      {"-k", "3", "10", "1"},
      {"-k", "3", "1", "4294967296"},
      {"-k", "3", "-q", "1", "10"},
      {"-k", "3", "1", "10", "-b"},
      {"-kfile", "missing.txt", "1", "10"},
      {"-k", "3", "-b", "2", "1", "10"},
      {"-k", "3", "-t", "0", "-b", "2000000", "1", "10"},
      {"-k", "3", "-o", "no/such/dir/x.dat", "1", "10"},
  };
  for (const auto& args : cases) {
    ScratchDir dir;
    test::write_file(dir / "Zel.dat", "1\n5\n6\nk=3\n5\n");
    const RunResult r = run_newdat_program(args, dir);
    const std::string shown = testing::PrintToString(args);
    EXPECT_EQ(r.exit_status, 1) << shown;
    ASSERT_FALSE(r.output.empty()) << shown;
    EXPECT_EQ(r.output.rfind("Error: ", 0), 0u) << shown << ": " << r.output;
    EXPECT_EQ(r.output.find('\n'), r.output.size() - 1) << shown << ": " << r.output;
    EXPECT_EQ(r.errors, "") << shown;
    EXPECT_EQ(files_in(dir), std::vector<std::string>{"Zel.dat"}) << shown;
    EXPECT_EQ(read_file(dir / "Zel.dat"), "1\n5\n6\nk=3\n5\n") << shown;
  }
}

// The "k: ..." line the program prints for a k at -v: the gcd g of the
// differences of its n (the n itself when there is one), the residue of its
// n modulo g, and the count.
std::string summary_line(std::uint64_t k, const std::vector<std::uint32_t>& ns) {
  std::uint64_t g = 0;
  for (std::size_t i = 1; i < ns.size(); ++i) g = std::gcd(g, std::uint64_t{ns[i] - ns[i - 1]});
  const std::uint64_t residue = g == 0 ? 0 : ns.back() % g;
  if (g == 0) g = ns.back();
  return "k: " + std::to_string(k) + ". n = " + std::to_string(residue) + " (mod " +
         std::to_string(g) + "). " + std::to_string(ns.size()) + " n values.\n";
}

TEST(NewdatProgram, QuorvelReadsTheFileAndWritesItBackAlike) {
  ScratchDir dir;
  const std::vector<std::uint64_t> ks = {3, 5, 7, 4847};
  const RunResult made = run_newdat_program({"-k", "3,5,7,4847", "-b", "1000", "100", "2000"}, dir);
  ASSERT_EQ(made.exit_status, 0) << made.output;
  std::size_t total = 0;
  const std::string file = expected_file(true, ks, 100, 2000, 1000, &total);
  ASSERT_EQ(read_file(dir / "Zel.dat"), file);

  // The same candidates laid out differently (one line, every n in full):
  // over a short p range that finds no factor (checked below), quorvel -u
  // reads them and writes back exactly the file the generator wrote.
  const std::vector<std::uint32_t> primes = test::ref_primes(1000);
  std::string one_line = std::to_string(ks.size()) + " 100 2000";
  for (const std::uint64_t k : ks) {
    one_line += " k=";
    one_line += std::to_string(k);
    for (const std::uint32_t n : test::ref_candidates(true, k, 100, 2000, primes)) {
      one_line += ' ';
      one_line += std::to_string(n);
    }
  }
  test::write_file(dir / "Zel.dat", one_line + "\n");
  const RunResult r =
      test::run_quorvel({"-v", "-u", "-f", "1000000000", "1000020000"}, dir.path(), "", 60);
  EXPECT_EQ(r.exit_status, 0) << r.output;
  std::string expect_lines;
  for (const std::uint64_t k : ks) {
    const auto ns = test::ref_candidates(true, k, 100, 2000, primes);
    expect_lines += summary_line(k, ns);
    EXPECT_TRUE(
        ref::factors({static_cast<std::int64_t>(k)}, {ns}, 1, 1000000000, 1000020000).empty())
        << "k=" << k;
  }
  expect_lines += std::to_string(total) + " n values in total.\n";
  EXPECT_NE(r.output.find(expect_lines), std::string::npos) << r.output;
  EXPECT_EQ(read_file(dir / "fact.txt"), "");
  EXPECT_EQ(read_file(dir / "Zel.dat"), file);
}

TEST(NewdatProgram, HelpText) {
  ScratchDir dir;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-h"}, std::vector<std::string>{}}) {
    const RunResult r = run_newdat_program(args, dir);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.output.rfind("usage: quorvel-newdat [switches] <nmin> <nmax>\n", 0), 0u)
        << r.output;
    for (const char* sw :
         {"-proth", "-riesel", "-k <k>", "-kfile <file>", "-b <bound>", "-o <file>", "-h"})
      EXPECT_NE(r.output.find(std::string("\t") + sw), std::string::npos) << sw;
    EXPECT_TRUE(files_in(dir).empty());
  }
}

}  // namespace
}  // namespace quorvel
